#include "service/trevalon_service.h"

#include "foundation/app_paths.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"

namespace trevalon {

TTrevalon::TTrevalon(OwnerLoop& loop, EngineSettings settings, EngineTimings timings,
                     std::string databaseName)
    : engine_(loop, std::move(settings), PipelineVariant::Service(), timings,
              std::move(databaseName)) {}

TTrevalon::~TTrevalon() {
    ServiceDestroy();
}

bool TTrevalon::ServiceCreate() {
    return engine_.Bootstrap(true);
}

void TTrevalon::ServiceStart() {
    WriteDiagnostic(catalogue::kServiceApplicationStarts, kLevelInfo);
}

void TTrevalon::ServiceStop() {
    WriteDiagnostic(catalogue::kServiceApplicationStops, kLevelInfo);
}

void TTrevalon::ServiceDestroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    engine_.StopReceivers();
    engine_.Shutdown();
    if (FolderAvailable(InstallationFolder(engine_.Settings()->AppPath, "log"))) {
        WriteDiagnostic(catalogue::kApplicationStops, kLevelInfo);
    }
}

}  // namespace trevalon
