#include "manager/main_window/help_window.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "foundation/app_paths.h"

namespace trevalon {

QString FindHelpFolder(const std::string& appPath) {
    const QString installed = QString::fromStdString(InstallationFolder(appPath, "help"));
    for (const QString& folder : {installed, installed + "../../ProjectGroupV1/help/"}) {
        if (QFileInfo::exists(folder + kHelpIndexPage)) {
            return QDir::cleanPath(folder) + "/";
        }
    }
    return QString();
}

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), browser_(new QTextBrowser) {
    setWindowTitle("Trevalon Help");
    resize(760, 560);
    browser_->setOpenExternalLinks(true);
    auto* bar = new QToolBar;
    const auto add = [bar](const QString& text, const QString& hint, auto effect) {
        QAction* action = bar->addAction(text, effect);
        action->setStatusTip(hint);
        return action;
    };
    QAction* back = add("Back", "Back to the page before...", [this] { browser_->backward(); });
    QAction* forward =
        add("Forward", "Forward to the next page...", [this] { browser_->forward(); });
    add("Contents", "Show the contents...",
        [this] { browser_->setSource(browser_->source().resolved(QUrl(kHelpIndexPage))); });
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(browser_, 1);
}

void HelpWindow::ShowPage(const QString& folder, const QString& page) {
    browser_->setSource(QUrl::fromLocalFile(folder + page));
    show();
    raise();
    activateWindow();
}

}  // namespace trevalon
