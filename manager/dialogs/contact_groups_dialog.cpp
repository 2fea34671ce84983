#include "manager/dialogs/contact_groups_dialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <exception>

#include "engine/syslog_engine.h"
#include "manager/dialogs/contact_group_picker.h"
#include "manager/dialogs/dialog_statements.h"
#include "manager/main_window/main_window.h"

namespace trevalon {
namespace {

namespace sql = dialog_statements;

constexpr const char* kGroups = "contact_group";
constexpr const char* kPersons = "contact_person";

QPushButton* HintedButton(const QString& text, const QString& hint) {
    auto* button = new QPushButton(text);
    button->setStatusTip(hint);
    button->setToolTip(hint);
    button->setAutoDefault(false);
    return button;
}

QPushButton* ArrowButton(const QString& text) {
    QPushButton* button = HintedButton(text, QString());
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
    button->setFixedWidth(40);
    return button;
}

QListWidget* ContactList(const QString& hint) {
    auto* list = new QListWidget;
    list->setStatusTip(hint);
    list->setToolTip(hint);
    return list;
}

std::int64_t IdOf(DatabaseConnection& connection, const char* table, const std::string& name) {
    return connection.Query(sql::IdByName(table, name)).Integer(0, "id");
}

}  // namespace

ContactGroupsDialog::ContactGroupsDialog(MainWindow& window, SyslogEngine& engine)
    : ManagerDialog(window, "Contact Groups Options"), engine_(engine) {
    auto* layout = new QVBoxLayout(this);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel("Group Name <span style=\"color:red\">*</span>"));
    name_ = new QLineEdit;
    name_->setMaxLength(50);
    nameRow->addWidget(name_, 1);
    QPushButton* pick =
        HintedButton(".....", "Click to select any existing contact group to update. ");
    nameRow->addWidget(pick);
    layout->addLayout(nameRow);

    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel("Available contacts"), 0, 0);
    lists->addWidget(new QLabel("Selected contacts"), 0, 2);
    available_ = ContactList("Double click on any contact moving to selected contact.");
    selected_ = ContactList("Double click on any contact to remove in selected contact.");
    lists->addWidget(available_, 1, 0);
    lists->addWidget(selected_, 1, 2);
    auto* arrows = new QVBoxLayout;
    arrows->addStretch();
    QPushButton* allIn = ArrowButton(">>");
    QPushButton* oneIn = ArrowButton(">");
    QPushButton* allOut = ArrowButton("<<");
    QPushButton* oneOut = ArrowButton("<");
    for (QPushButton* arrow : {allIn, oneIn, allOut, oneOut}) {
        arrows->addWidget(arrow);
    }
    arrows->addStretch();
    lists->addLayout(arrows, 1, 1);
    layout->addLayout(lists, 1);

    auto* buttons = new QHBoxLayout;
    save_ = HintedButton("Save New", "Click to save the new record or update the changes.");
    delete_ = HintedButton("Delete", "Click to delete the record.");
    QPushButton* clear =
        HintedButton("Clear", "Click to clear the fields and ready to add a new record.");
    QPushButton* cancel = HintedButton("Cancel", "Click to close the window.");
    for (QPushButton* button : {save_, delete_, clear, cancel}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(&StatusBar());
    resize(520, 400);

    connect(pick, &QPushButton::clicked, this, [this] { OpenPicker(); });
    connect(allIn, &QPushButton::clicked, this, [this] { Move(*available_, *selected_, true); });
    connect(oneIn, &QPushButton::clicked, this, [this] { Move(*available_, *selected_, false); });
    connect(allOut, &QPushButton::clicked, this, [this] { Move(*selected_, *available_, true); });
    connect(oneOut, &QPushButton::clicked, this, [this] { Move(*selected_, *available_, false); });
    connect(available_, &QListWidget::itemDoubleClicked, this,
            [this] { Move(*available_, *selected_, false); });
    connect(selected_, &QListWidget::itemDoubleClicked, this,
            [this] { Move(*selected_, *available_, false); });
    connect(save_, &QPushButton::clicked, this, [this] { Save(); });
    connect(delete_, &QPushButton::clicked, this, [this] { Delete(); });
    connect(clear, &QPushButton::clicked, this, [this] {
        Clear();
        NewMode();
        Say("The fields have been cleared.");
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        Window().SetStatus("Updating option settings cancel.");
        close();
    });
}

QPushButton& ContactGroupsDialog::Button(const QString& text) {
    for (QPushButton* button : findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return *button;
        }
    }
    throw std::out_of_range("no button " + text.toStdString());
}

void ContactGroupsDialog::showEvent(QShowEvent* event) {
    ManagerDialog::showEvent(event);
    Clear();
    NewMode();
}

void ContactGroupsDialog::closeEvent(QCloseEvent* event) {
    if (picker_ != nullptr) {
        picker_->hide();
    }
    ManagerDialog::closeEvent(event);
}

void ContactGroupsDialog::Clear() {
    id_ = 0;
    name_->clear();
    name_->setFocus();
    selected_->clear();
    available_->clear();
    try {
        const QueryResult rows = engine_.DataModule().Connection().Query(sql::kSelectPersonNames);
        for (std::size_t row = 0; row < rows.RowCount(); ++row) {
            available_->addItem(QString::fromStdString(rows.Text(row, "name")));
        }
    } catch (const std::exception& error) {
        ReportFailure("ERR90302", error);
    }
    FollowLists();
}

void ContactGroupsDialog::NewMode() {
    id_ = 0;
    save_->setText("Save New");
    delete_->setEnabled(false);
}

void ContactGroupsDialog::Move(QListWidget& from, QListWidget& to, bool all) {
    if (all) {
        while (from.count() > 0) {
            to.addItem(from.takeItem(0));
        }
    } else if (from.currentItem() != nullptr) {
        to.addItem(from.takeItem(from.currentRow()));
    }
    FollowLists();
}

void ContactGroupsDialog::FollowLists() {
    Button(">>").setEnabled(available_->count() > 0);
    Button(">").setEnabled(available_->count() > 0);
    Button("<<").setEnabled(selected_->count() > 0);
    Button("<").setEnabled(selected_->count() > 0);
}

void ContactGroupsDialog::OpenPicker() {
    if (picker_ == nullptr) {
        picker_ = new ContactGroupPicker(
            *this, engine_, [this](std::int64_t id, const QString& name) { return Load(id, name); },
            [this](const char* code, const std::exception& error) { ReportFailure(code, error); });
    }
    picker_->move(pos() + QPoint(330, 50));
    picker_->show();
}

bool ContactGroupsDialog::Load(std::int64_t id, const QString& name) {
    try {
        DatabaseConnection& connection = engine_.DataModule().Connection();
        const QueryResult members = connection.Query(sql::SelectGroupMembers(id));
        const QueryResult persons = connection.Query(sql::kSelectPersonNames);
        id_ = id;
        name_->setText(name);
        selected_->clear();
        available_->clear();
        QStringList chosen;
        for (std::size_t row = 0; row < members.RowCount(); ++row) {
            chosen << QString::fromStdString(members.Text(row, "name"));
        }
        selected_->addItems(chosen);
        for (std::size_t row = 0; row < persons.RowCount(); ++row) {
            const QString person = QString::fromStdString(persons.Text(row, "name"));
            if (!chosen.contains(person)) {
                available_->addItem(person);
            }
        }
    } catch (const std::exception& error) {
        ReportFailure("ERR90303", error);
        return false;
    }
    FollowLists();
    save_->setText("Save Update");
    delete_->setEnabled(true);
    activateWindow();
    name_->setFocus();
    Say("You can update or delete this contract group.");
    return true;
}

void ContactGroupsDialog::Save() {
    const std::string name = name_->text().toStdString();
    if (name.empty()) {
        Inform("Group Name is compulsory field.", *name_);
        return;
    }
    if (selected_->count() == 0) {
        Inform("Please select contact person.", *available_);
        return;
    }
    const bool updating = id_ != 0;
    try {
        DatabaseConnection& connection = engine_.DataModule().Connection();
        if (connection.Query(sql::CountByName(kGroups, name, id_)).Integer(0, "numOfRecord") != 0) {
            Inform("Group Name must be unique.", *name_);
            return;
        }
        connection.Execute(updating ? sql::UpdateGroup(id_, name) : sql::InsertGroup(name));
        connection.Execute(sql::DeleteGroupsLinks(id_));
        id_ = IdOf(connection, kGroups, name);
        for (int at = 0; at < selected_->count(); ++at) {
            const std::string person = selected_->item(at)->text().toStdString();
            connection.Execute(sql::InsertGroupLink(IdOf(connection, kPersons, person), id_));
        }
        if (updating) {
            Say("The contact group has been updated.");
        } else {
            Clear();
            NewMode();
            Say("New contact group has been saved.");
        }
    } catch (const std::exception& error) {
        ReportFailure("ERR90300", error);
    }
}

void ContactGroupsDialog::Delete() {
    try {
        DatabaseConnection& connection = engine_.DataModule().Connection();
        connection.Execute(sql::DeleteGroupsLinks(id_));
        connection.Execute(sql::DeleteGroup(id_));
        Clear();
        NewMode();
        Say("The contact group has been deleted.");
    } catch (const std::exception& error) {
        ReportFailure("ERR90301", error);
    }
}

}  // namespace trevalon
