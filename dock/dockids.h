// SPDX-License-Identifier: MIT
#pragma once

// Numbers of the docking layer: dock bar control IDs, the platform's hit-test
// codes, layout-mode bits of size requests and control-bar style bits. Plain
// constants with the original values, so geometry code needs no widgets.

// Control IDs of the dock bars.
inline constexpr unsigned AFX_IDW_DOCKBAR_TOP = 59419;
inline constexpr unsigned AFX_IDW_DOCKBAR_LEFT = 59420;
inline constexpr unsigned AFX_IDW_DOCKBAR_RIGHT = 59421;
inline constexpr unsigned AFX_IDW_DOCKBAR_BOTTOM = 59422;
inline constexpr unsigned AFX_IDW_DOCKBAR_FLOAT = 59423;

// Hit-test codes.
inline constexpr int HTNOWHERE = 0;
inline constexpr int HTCLIENT = 1;
inline constexpr int HTCAPTION = 2;
inline constexpr int HTLEFT = 10;
inline constexpr int HTRIGHT = 11;
inline constexpr int HTTOP = 12;
inline constexpr int HTTOPLEFT = 13;
inline constexpr int HTTOPRIGHT = 14;
inline constexpr int HTBOTTOM = 15;
inline constexpr int HTBOTTOMLEFT = 16;
inline constexpr int HTBOTTOMRIGHT = 17;
inline constexpr int HTCLOSE = 20;

// The length a bar asks for when it stretches over its whole dock bar: the
// largest 16-bit coordinate, more than any dock bar holds.
inline constexpr int kStretchLength = 32767;

// Mode bits of CalcDynamicLayout.
inline constexpr unsigned LM_STRETCH = 0x01;
inline constexpr unsigned LM_HORZ = 0x02;
inline constexpr unsigned LM_MRUWIDTH = 0x04;
inline constexpr unsigned LM_HORZDOCK = 0x08;
inline constexpr unsigned LM_VERTDOCK = 0x10;
inline constexpr unsigned LM_LENGTHY = 0x20;
inline constexpr unsigned LM_COMMIT = 0x40;

// Window style bits a bar's creation style may carry.
inline constexpr unsigned WS_CHILD = 0x40000000;
inline constexpr unsigned WS_VISIBLE = 0x10000000;
inline constexpr unsigned WS_CLIPCHILDREN = 0x02000000;

// Control-bar style bits.
inline constexpr unsigned CBRS_ALIGN_LEFT = 0x1000;
inline constexpr unsigned CBRS_ALIGN_TOP = 0x2000;
inline constexpr unsigned CBRS_ALIGN_RIGHT = 0x4000;
inline constexpr unsigned CBRS_ALIGN_BOTTOM = 0x8000;
inline constexpr unsigned CBRS_ALIGN_ANY = 0xF000;
inline constexpr unsigned CBRS_BORDER_LEFT = 0x0100;
inline constexpr unsigned CBRS_BORDER_TOP = 0x0200;
inline constexpr unsigned CBRS_BORDER_RIGHT = 0x0400;
inline constexpr unsigned CBRS_BORDER_BOTTOM = 0x0800;
inline constexpr unsigned CBRS_BORDER_ANY = 0x0F00;
inline constexpr unsigned CBRS_TOOLTIPS = 0x0010;
inline constexpr unsigned CBRS_FLYBY = 0x0020;
inline constexpr unsigned CBRS_FLOATING = 0x0001;
inline constexpr unsigned CBRS_SIZE_FIXED = 0x0002;
inline constexpr unsigned CBRS_SIZE_DYNAMIC = 0x0004;
inline constexpr unsigned CBRS_HIDE_INPLACE = 0x0008;
inline constexpr unsigned CBRS_FLOAT_MULTI = 0x0040;
inline constexpr unsigned CBRS_BORDER_3D = 0x0080;
inline constexpr unsigned CBRS_GRIPPER = 0x00400000;
inline constexpr unsigned CBRS_ALL = 0x0040FFFF;
inline constexpr unsigned CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
inline constexpr unsigned CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;
inline constexpr unsigned CBRS_LEFT = CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT;
inline constexpr unsigned CBRS_RIGHT = CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT;
