#pragma once

// How the pages of "Alarming Options" map onto the rows of table alarm_method: per method, the
// enable box and the columns after type and enable in statement order, each bound to its field.

#include <QString>

#include <array>
#include <vector>

#include "engine/storage/configuration_cache.h"
#include "manager/dialogs/dialog_statements.h"

class QCheckBox;
class QWidget;

namespace Ui {
class AlarmOptionsDialog;
}

namespace trevalon {

class QueryResult;

// How a column is shown and written back.
enum class ColumnShape {
    kText,          // as stored; quoted
    kNumber,        // 0 shown empty; bare, empty as 0
    kStoredNumber,  // as stored; bare
    kFlag,          // a check box; 1 or 0
    kMethodChoice,  // "Get", anything else shown as "Post"; quoted
};

struct BoundColumn {
    const char* column;
    QWidget* field;  // QLineEdit, QPlainTextEdit, QCheckBox or QComboBox
    ColumnShape shape;
};

struct MethodPage {
    AlarmMethod method;
    QCheckBox* enable;
    std::vector<BoundColumn> columns;
};

std::array<MethodPage, kAlarmMethodCount> BindMethodPages(Ui::AlarmOptionsDialog& form);

// The page's enable box and fields from row `row` of `rows`.
void ShowStoredMethod(const MethodPage& page, const QueryResult& rows, std::size_t row);
// enable, then the columns, as the statements carry them.
std::vector<dialog_statements::MethodValue> TypedMethod(const MethodPage& page);

// The page's settings as an alarm of the method would use them, for a test with the values on
// screen. Numbers that do not read as whole numbers are 0.
AlarmMethodSettings TypedSettings(const MethodPage& page);

// The text of a line edit or memo.
QString FieldText(const QWidget& field);
void SetFieldText(QWidget& field, const QString& text);

}  // namespace trevalon
