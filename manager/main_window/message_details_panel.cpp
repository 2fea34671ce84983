#include "manager/main_window/message_details_panel.h"

#include <QEvent>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace trevalon {

MessageDetailsPanel::MessageDetailsPanel()
    : QGroupBox("Message Details"), message_(new QPlainTextEdit) {
    setFixedWidth(200);
    setStatusTip("Double Click to hide the message...");
    auto* layout = new QVBoxLayout(this);
    auto* labels = new QFormLayout;
    const std::array<const char*, 4> captions = {
        "DateTime : ", "From IP : ", "Facility : ", "Severity : "};
    for (std::size_t at = 0; at < captions.size(); ++at) {
        values_[at] = new QLabel;
        // The panel is narrow: a time breaks between date and time rather than being cut.
        values_[at]->setWordWrap(true);
        labels->addRow(captions[at], values_[at]);
        values_[at]->installEventFilter(this);
    }
    layout->addLayout(labels);
    layout->addWidget(new QLabel("Message : "));
    message_->setReadOnly(true);
    message_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(message_, 1);
    installEventFilter(this);
    message_->viewport()->installEventFilter(this);
    hide();
}

void MessageDetailsPanel::ShowRow(const QStringList& row) {
    for (std::size_t at = 0; at < values_.size(); ++at) {
        values_[at]->setText(row.value(static_cast<int>(at)));
    }
    message_->setPlainText(row.value(4));
    show();
}

bool MessageDetailsPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        hide();
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

}  // namespace trevalon
