#include "engine/snpp/snpp_client.h"

#include <stdexcept>

namespace trevalon {
namespace {

constexpr const char* kSingleLineMessages =
    "TIdSNPP Mess command only supports single line Messages.";

}  // namespace

SnppClient::SnppClient(std::chrono::milliseconds readTimeout) : line_(readTimeout) {}

void SnppClient::Connect(const std::string& host, int port,
                         std::chrono::milliseconds connectTimeout) {
    line_.Connect(host, port, connectTimeout);
    try {
        line_.ReadReply({220});
    } catch (const LineClientError& error) {
        if (error.Failure() == LineFailure::UnexpectedReply) {
            Disconnect();
        }
        throw;
    }
}

void SnppClient::SendPage(const std::string& pagerId, const std::string& message) {
    if (message.find_first_of("\r\n") != std::string::npos) {
        throw std::invalid_argument(kSingleLineMessages);
    }
    if (pagerId.find_first_of("\r\n") != std::string::npos) {
        throw std::invalid_argument("The pager ID contains a line break.");
    }
    line_.Command("PAGE " + pagerId, {250});
    line_.Command("MESS " + message, {250});
    line_.Command("SEND", {250});
}

void SnppClient::Disconnect() noexcept {
    try {
        if (line_.Connected()) {
            line_.Command("QUIT");
        }
    } catch (const std::exception&) {
        // The page's outcome is settled; a gateway that fumbles QUIT changes nothing.
    }
    line_.Close();
}

}  // namespace trevalon
