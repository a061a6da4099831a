// SPDX-License-Identifier: MIT
#pragma once

// Dialog template 132, the control panel, as data: every control with its id,
// kind, text and position in dialog units, in template (and tab) order.

#include <array>

enum class ControlKind {
    CheckBox,
    Edit,
    CenteredEdit,
    PushButton,
    GroupBox,
    LabelRight,
    LabelLeft
};

struct DialogControl {
    int id; // -1: a control without an id
    ControlKind kind;
    const char* text; // UTF-8
    int x, y, width, height;
    const char* name; // objectName of a control without an id
};

inline constexpr int kPanelDialogId = 132;
inline constexpr int kPanelWidthDlu = 225;
inline constexpr int kPanelHeightDlu = 361;

inline constexpr int IDC_FIND_BUTTON = 1001;
inline constexpr int IDC_FIND_EDIT = 1002;
inline constexpr int IDC_START = 1003;
inline constexpr int IDC_IMPORT = 1004;
inline constexpr int IDC_EXPORT = 1005;
inline constexpr int IDC_DELETE_CHECKED = 1006;
inline constexpr int IDC_DAYS = 1015;
inline constexpr int IDC_RED_DISPLAY = 1028;

inline constexpr std::array<DialogControl, 11> kPanelTemplate{{
    {IDC_RED_DISPLAY, ControlKind::CheckBox, "红色显示", 29, 32, 44, 10, nullptr},
    {IDC_DAYS, ControlKind::CenteredEdit, "", 77, 32, 24, 12, nullptr},
    {IDC_IMPORT, ControlKind::PushButton, "导入域名", 6, 97, 50, 14, nullptr},
    {IDC_START, ControlKind::PushButton, "开始查询", 112, 126, 50, 14, nullptr},
    {IDC_EXPORT, ControlKind::PushButton, "导出数据", 170, 126, 50, 14, nullptr},
    {IDC_FIND_EDIT, ControlKind::Edit, "", 53, 179, 111, 14, nullptr},
    {IDC_FIND_BUTTON, ControlKind::PushButton, "检索", 170, 179, 50, 14, nullptr},
    {-1, ControlKind::GroupBox, "设置", 6, 7, 214, 72, "settingsGroup"},
    {-1, ControlKind::LabelRight, "天内到期的域名", 105, 33, 57, 8, "daysLabel"},
    {-1, ControlKind::LabelLeft, "快速定位：", 6, 180, 41, 8, "findLabel"},
    {IDC_DELETE_CHECKED, ControlKind::PushButton, "删除选中", 63, 97, 50, 14, nullptr},
}};
