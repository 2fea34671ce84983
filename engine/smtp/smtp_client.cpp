#include "engine/smtp/smtp_client.h"

#include <stdexcept>

#include "engine/smtp/base64.h"

namespace trevalon {

SmtpClient::SmtpClient(std::chrono::milliseconds readTimeout) : line_(readTimeout) {}

void SmtpClient::Connect(const std::string& host, int port,
                         std::chrono::milliseconds connectTimeout, const std::string& localName) {
    line_.Connect(host, port, connectTimeout);
    line_.ReadReply({220});
    if (line_.Command("EHLO " + localName).code != 250) {
        line_.Command("HELO " + localName, {250});
    }
}

void SmtpClient::AuthenticateLogin(const std::string& user, const std::string& password) {
    line_.Command("AUTH LOGIN", {334});
    line_.Command(Base64Encode(user), {334});
    line_.Command(Base64Encode(password), {235});
}

void SmtpClient::Send(const MailAddress& from, const std::vector<MailAddress>& recipients,
                      std::string_view content) {
    if (HasControlCharacter(from.name) || HasControlCharacter(from.address)) {
        throw std::invalid_argument("The sender address contains a control character.");
    }
    if (recipients.empty()) {
        throw std::invalid_argument("No recipient address.");
    }
    for (const MailAddress& recipient : recipients) {
        if (HasControlCharacter(recipient.name) || HasControlCharacter(recipient.address)) {
            throw std::invalid_argument("A recipient address contains a control character.");
        }
    }
    line_.Command("RSET");
    line_.Command("MAIL FROM:<" + from.address + ">", {250});
    for (const MailAddress& recipient : recipients) {
        line_.Command("RCPT TO:<" + recipient.address + ">", {250, 251});
    }
    line_.Command("DATA", {354});
    line_.Write(DotStuffed(content) + ".\r\n");
    line_.ReadReply({250});
}

void SmtpClient::Quit() noexcept {
    try {
        if (line_.Connected()) {
            line_.WriteLine("QUIT");
        }
    } catch (const std::exception&) {
        // The message is delivered or the job has failed already; a refused QUIT changes nothing.
    }
    line_.Close();
}

}  // namespace trevalon
