#include "engine/syslog_forward/thread_syslog.h"

#include <cerrno>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <utility>

#include <netdb.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include "engine/syslog_forward/syslog_forward_datagram.h"
#include "foundation/catalogue.h"

namespace trevalon {
namespace {

constexpr const char* kSentDetail = "[SysLog Alarm Sent Succeed]";
constexpr const char* kErrorDetail = "[SysLog Alarm Sent Error:";
constexpr int kHighestPort = 65535;

// The catalogue's connection reasons end with the bracket that closes a detail.
std::runtime_error ReasonFailure(std::string_view bracketed) {
    return std::runtime_error(std::string(bracketed.substr(0, bracketed.size() - 1)));
}

std::runtime_error SocketFailure(int error) {
    return std::runtime_error(std::system_category().message(error));
}

class AddressList {
  public:
    AddressList(const std::string& host, int port) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_DGRAM;
        const int result = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list_);
        if (result != 0) {
            list_ = nullptr;
            throw std::runtime_error(gai_strerror(result));
        }
    }
    ~AddressList() { freeaddrinfo(list_); }
    AddressList(const AddressList&) = delete;
    AddressList& operator=(const AddressList&) = delete;

    const addrinfo& First() const { return *list_; }

  private:
    addrinfo* list_ = nullptr;
};

class UdpSocket {
  public:
    explicit UdpSocket(int family) : descriptor_(socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        if (descriptor_ < 0) {
            throw SocketFailure(errno);
        }
    }
    // Closing a datagram socket cannot lose anything already sent; its error is of no use.
    ~UdpSocket() { close(descriptor_); }
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    void SendTo(const std::string& datagram, const addrinfo& target) const {
        if (sendto(descriptor_, datagram.data(), datagram.size(), 0, target.ai_addr,
                   target.ai_addrlen) < 0) {
            throw SocketFailure(errno);
        }
    }

  private:
    int descriptor_;
};

}  // namespace

ThreadSysLog::ThreadSysLog(std::string host, int port, TIdSyslogFacility facility,
                           TIdSyslogSeverity severity, std::string text, std::string localIp)
    : DeliveryWorkItem(kSysLogFailureTitle, DeliveryKind::kAlarm, true, "Sent"),
      host_(std::move(host)),
      port_(port),
      facility_(facility),
      severity_(severity),
      text_(std::move(text)),
      localIp_(std::move(localIp)) {}

void ThreadSysLog::Execute() {
    try {
        const std::string datagram = SyslogForwardDatagram(
            facility_, severity_, ToLocalTime(EngineClock().Now()), localIp_, text_);
        SendSyslogDatagram(host_, port_, datagram);
        SetResultDetail(kSentDetail);
    } catch (const std::exception& error) {
        Fail(std::string(error.what()) + "]");
    } catch (...) {
        Fail("]");
    }
}

void SendSyslogDatagram(const std::string& host, int port, const std::string& datagram) {
    if (host.empty()) {
        throw ReasonFailure(catalogue::kHostRequired);
    }
    if (port == 0) {
        throw ReasonFailure(catalogue::kPortRequired);
    }
    if (port < 0 || port > kHighestPort) {
        throw ReasonFailure(catalogue::kInvalidPort);
    }
    const AddressList addresses(host, port);
    const UdpSocket socket(addresses.First().ai_family);
    socket.SendTo(datagram, addresses.First());
}

void ThreadSysLog::ReleaseTexts() {
    DeliveryWorkItem::ReleaseTexts();
    std::string().swap(host_);
    std::string().swap(text_);
}

void ThreadSysLog::Fail(std::string_view reason) {
    SetSucceeded(false);
    SetResultText("Error");
    SetResultDetail(kErrorDetail + std::string(reason));
}

std::unique_ptr<ThreadSysLog> MakeThreadSysLog(const AlarmMethodSettings& settings,
                                               const std::string& facilityName,
                                               const std::string& severityName,
                                               const std::string& alarmText,
                                               const std::string& localIp) {
    return std::make_unique<ThreadSysLog>(settings.ip, settings.port, NameToFacility(facilityName),
                                          NameToSeverity(severityName),
                                          SyslogForwardText(alarmText), localIp);
}

}  // namespace trevalon
