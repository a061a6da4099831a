// SPDX-License-Identifier: MIT
#pragma once

// The application object: installs the message walk and the core library's
// dialogs, creates the document and the main frame, and shows it maximized.
// The QApplication itself is made by main() (or a test) before this.

#include <QPointer>
#include <memory>

class CMainFrame;
class CMakeHtmlDoc;
class CQtCoreDialogs;

inline constexpr const char* kProductTitle = "zentrix 域名批量查询";

class CMakeHtmlApp final {
public:
    CMakeHtmlApp();
    ~CMakeHtmlApp();
    CMakeHtmlApp(const CMakeHtmlApp&) = delete;
    CMakeHtmlApp& operator=(const CMakeHtmlApp&) = delete;

    // True when the main window is up. Dialogs a test installed with
    // CCore::setDialogs are kept; otherwise the Qt ones are installed.
    bool InitInstance();

    // The main frame until it has been closed (it deletes itself on close).
    [[nodiscard]] CMainFrame* mainFrame() const;
    [[nodiscard]] CMakeHtmlDoc* document() const { return m_doc.get(); }

private:
    std::unique_ptr<CQtCoreDialogs> m_dialogs;
    std::unique_ptr<CMakeHtmlDoc> m_doc;
    QPointer<CMainFrame> m_frame;
};
