// TrevalonManager with a probe on its window thread, for the manager benchmark (run.sh): a 10 ms
// timer whose lateness tells how long the window thread was held up. When the program ends the
// lateness figures are written to the file named by TREVALON_STALL_REPORT as
// "probes=N p99_ms=X max_ms=Y".

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "manager/program/end_request.h"
#include "manager/program/manager_program.h"
#include "platform/termination_signals.h"

namespace {

constexpr int kProbeMilliseconds = 10;

void WriteReport(std::vector<double> lateness, const char* path) {
    std::ofstream report(path);
    if (lateness.empty()) {
        report << "probes=0\n";
        return;
    }
    std::sort(lateness.begin(), lateness.end());
    const double p99 = lateness[lateness.size() * 99 / 100];
    report << "probes=" << lateness.size() << " p99_ms=" << p99 << " max_ms=" << lateness.back()
           << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    trevalon::EndRequest end;
    const trevalon::platform::TerminationSignals termination([&end] { end.Request(); });
    QApplication application(argc, argv);
    QApplication::setApplicationName("Trevalon");

    std::vector<double> lateness;
    QElapsedTimer clock;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (clock.isValid()) {
            lateness.push_back(std::max(0.0, clock.nsecsElapsed() / 1e6 - kProbeMilliseconds));
        }
        clock.start();
    });
    probe.start(kProbeMilliseconds);

    const int status = trevalon::RunManager(application, end);
    if (const char* path = std::getenv("TREVALON_STALL_REPORT"); path != nullptr) {
        WriteReport(std::move(lateness), path);
    }
    return status;
}
