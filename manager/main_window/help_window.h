#pragma once

// The help set: HTML pages in the installation's help folder, shown in a browser window of
// the program's own. The dialogs' Help buttons and F12 open it at their topic.

#include <QWidget>

#include <string>

class QTextBrowser;

namespace trevalon {

inline constexpr const char* kHelpIndexPage = "index.htm";

// The folder holding the help set's index page: the installation's help folder, else the one of
// the project tree beside the installation; empty when neither has it.
QString FindHelpFolder(const std::string& appPath);

class HelpWindow final : public QWidget {
  public:
    explicit HelpWindow(QWidget* parent);

    // `page` of the help set in `folder`, brought to the front; links between pages stay here,
    // links to the web open in the desktop's browser.
    void ShowPage(const QString& folder, const QString& page);
    QTextBrowser& Browser() { return *browser_; }

  private:
    QTextBrowser* browser_;
};

}  // namespace trevalon
