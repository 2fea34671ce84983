#include "manager/dialogs/contacts_dialog.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <exception>

#include "engine/syslog_engine.h"
#include "manager/main_window/main_window.h"

namespace trevalon {
namespace {

namespace sql = dialog_statements;

constexpr const char* kTable = "contact_person";

struct FieldSpec {
    const char* label;
    int maxLength;
};
constexpr std::array<FieldSpec, 5> kFields = {{{"Person Name", 100},
                                               {"Details", 150},
                                               {"Email Address", 100},
                                               {"SMS Number", 100},
                                               {"Pager ID", 100}}};

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

ContactsDialog::ContactsDialog(MainWindow& window, SyslogEngine& engine)
    : ManagerDialog(window, "Contacts Options"),
      engine_(engine),
      persons_({"ID", "Person Name", "Details", "Email", "SMS", "PagerID"}) {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    for (std::size_t at = 0; at < kFields.size(); ++at) {
        fields_[at] = new QLineEdit;
        fields_[at]->setMaxLength(kFields[at].maxLength);
        const QString label =
            at == 0 ? QString("%1 <span style=\"color:red\">*</span>").arg(kFields[at].label)
                    : QString(kFields[at].label);
        form->addRow(new QLabel(label), fields_[at]);
    }
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    save_ = new QPushButton("Save New");
    delete_ = new QPushButton("Delete");
    auto* clear = new QPushButton("Clear");
    auto* cancel = new QPushButton("Cancel");
    for (QPushButton* button : {save_, delete_, clear, cancel}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    layout->addLayout(buttons);

    auto* group = new QGroupBox("Contact lists");
    auto* groupLayout = new QVBoxLayout(group);
    list_ = new QTreeView;
    list_->setModel(&persons_);
    list_->setRootIsDecorated(false);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setStatusTip("Select and double click to update this contact...");
    list_->setToolTip(list_->statusTip());
    list_->setColumnHidden(0, true);
    list_->setColumnWidth(1, 100);
    list_->setColumnWidth(2, 200);
    for (int column : {3, 4, 5}) {
        list_->setColumnWidth(column, 80);
    }
    list_->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    list_->header()->setStretchLastSection(false);
    groupLayout->addWidget(list_);
    layout->addWidget(group, 1);
    layout->addWidget(&StatusBar());
    resize(620, 440);

    connect(save_, &QPushButton::clicked, this, [this] { Save(); });
    connect(delete_, &QPushButton::clicked, this, [this] { Delete(); });
    connect(clear, &QPushButton::clicked, this, [this] {
        ClearFields();
        Say("The fields have been cleared.");
    });
    connect(cancel, &QPushButton::clicked, this, [this] {
        Window().SetStatus("Updating option settings cancel.");
        close();
    });
    connect(list_, &QTreeView::doubleClicked, this, [this] { Edit(); });
}

void ContactsDialog::showEvent(QShowEvent* event) {
    ManagerDialog::showEvent(event);
    ClearFields();
    Refill();
}

void ContactsDialog::ClearFields() {
    id_ = 0;
    for (QLineEdit* field : fields_) {
        field->clear();
    }
    fields_[0]->setFocus();
    save_->setText("Save New");
    delete_->setEnabled(false);
}

void ContactsDialog::Refill() {
    persons_.Clear();
    try {
        const QueryResult rows =
            engine_.DataModule().Connection().Query(sql::kSelectPersonsDescending);
        std::vector<QStringList> added;
        for (std::size_t row = 0; row < rows.RowCount(); ++row) {
            added.push_back({Text(rows.Text(row, "id")), Text(rows.Text(row, "name")),
                             Text(rows.Text(row, "details")), Text(rows.Text(row, "email")),
                             Text(rows.Text(row, "sms")), Text(rows.Text(row, "pager_id"))});
        }
        persons_.AddOnTop(std::move(added));
    } catch (const std::exception& error) {
        ReportFailure("ERR90202", error);
    }
}

void ContactsDialog::Edit() {
    const QModelIndexList selected = list_->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return;
    }
    const QStringList& row = persons_.Row(selected.first().row());
    id_ = row.value(0).toLongLong();
    for (std::size_t at = 0; at < fields_.size(); ++at) {
        fields_[at]->setText(row.value(static_cast<int>(at) + 1));
    }
    save_->setText("Save Update");
    delete_->setEnabled(true);
    Say("You can update or delete this contract person.");
}

sql::PersonFields ContactsDialog::Typed() const {
    return {fields_[0]->text().toStdString(), fields_[1]->text().toStdString(),
            fields_[2]->text().toStdString(), fields_[3]->text().toStdString(),
            fields_[4]->text().toStdString()};
}

void ContactsDialog::Save() {
    const sql::PersonFields person = Typed();
    if (person.name.empty()) {
        Inform("Person Name is compulsory field.", *fields_[0]);
        return;
    }
    if (person.email.empty() && person.sms.empty() && person.pagerId.empty()) {
        Inform("Please provide either Email, SMS or PagerID.", *fields_[2]);
        return;
    }
    const bool updating = id_ != 0;
    try {
        DatabaseConnection& connection = engine_.DataModule().Connection();
        if (connection.Query(sql::CountByName(kTable, person.name, id_))
                .Integer(0, "numOfRecord") != 0) {
            Inform("Person Name must be unique.", *fields_[0]);
            return;
        }
        connection.Execute(updating ? sql::UpdatePerson(id_, person) : sql::InsertPerson(person));
        // The engine sends to the new addresses from the next alarm on.
        engine_.ReloadContacts();
        if (updating) {
            Say("The contact person has been updated.");
        } else {
            ClearFields();
            Say("New contact person has been saved.");
        }
        Refill();
    } catch (const std::exception& error) {
        ReportFailure("ERR90200", error);
    }
}

void ContactsDialog::Delete() {
    try {
        DatabaseConnection& connection = engine_.DataModule().Connection();
        connection.Execute(sql::DeletePerson(id_));
        connection.Execute(sql::DeletePersonsGroupLinks(id_));
        engine_.ReloadContacts();
        Refill();
        ClearFields();
        Say("The contact person has been deleted.");
    } catch (const std::exception& error) {
        ReportFailure("ERR90201", error);
    }
}

}  // namespace trevalon
