#pragma once

// TFormSettings, "Options": the settings of SysInit.ini that no other dialog edits, on seven
// pages: start behaviour, receivers, diagnostic log, file and database copies, alarm pool
// limits, database connection, row cap and facility colours. Saving publishes them to the engine
// running in this process and writes the file.

#include <QComboBox>

#include <functional>
#include <memory>

#include "foundation/engine_settings.h"
#include "manager/dialogs/manager_dialog.h"

namespace Ui {
class OptionsDialog;
}

namespace trevalon {

class SyslogEngine;

class OptionsDialog final : public ManagerDialog {
  public:
    // Installs (true) or removes (false) the service's systemd unit; failures are not reported.
    using ServiceRegistration = std::function<void(const EngineSettings& settings, bool install)>;
    // Asks for a file (title, folder, proposed name); empty when the user cancels.
    using FileChooser =
        std::function<QString(const QString& title, const QString& folder, const QString& name)>;

    OptionsDialog(MainWindow& window, SyslogEngine& engine, ServiceRegistration registration);
    ~OptionsDialog() override;

    void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    Ui::OptionsDialog& Form() { return *form_; }
    QComboBox& Colour(int wireCode) { return *colours_[static_cast<std::size_t>(wireCode)]; }
    QStatusBar& Status() { return StatusBar(); }

  private:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void BuildColourLists();
    void Fill(const EngineSettings& settings);
    void FollowSwitches();
    // The first field that fails its check, with its page brought to front; true when none.
    bool Valid();
    void Save();
    void Defaults();
    void ChooseFilePath();

    SyslogEngine& engine_;
    ServiceRegistration registration_;
    FileChooser chooseFile_;
    std::unique_ptr<Ui::OptionsDialog> form_;
    std::array<QComboBox*, kFacilityCount> colours_{};
};

}  // namespace trevalon
