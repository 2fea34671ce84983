#pragma once

// The checks "Alarming Options" runs on an enabled method's page before saving or testing.

#include <QString>

#include <optional>

#include "engine/storage/configuration_cache.h"

class QTabWidget;
class QWidget;

namespace Ui {
class AlarmOptionsDialog;
}

namespace trevalon {

// The first check a page fails: what to tell, which inner page to bring to front (none when
// `inner` is null) and where the focus goes.
struct FailedCheck {
    QString message;
    QTabWidget* inner = nullptr;
    int innerPage = 0;
    QWidget* focus = nullptr;
};

// Checks `method`'s page in order. On the HTTP page a proxy server without a proxy port first
// gets the port "0".
std::optional<FailedCheck> CheckMethodPage(Ui::AlarmOptionsDialog& form, AlarmMethod method);

// Whether `text` reads as a whole number; an empty text does not.
bool IsWholeNumber(const QString& text);

}  // namespace trevalon
