#pragma once

// The system's own texts: error codes, log lines and dialog texts.

#include <string_view>

// Every text the programs write into the diagnostic log or show in a dialog, in one place.
namespace trevalon::catalogue {

inline constexpr std::string_view kAlreadyStarted =
    "ERR00001 : The application is already startup.";
inline constexpr std::string_view kHelpFileNotFound = "ERR00003 : Help file not found.";
inline constexpr std::string_view kSendVersionUpgradeError =
    "ERR00004 : Send version upgrade error.";
inline constexpr std::string_view kCannotConnectDatabase =
    "ERR00101 : Connot make connection to MySQL database.";
inline constexpr std::string_view kMySqlLibraryNotFound = "ERR00103 : MySQL library not found.";
inline constexpr std::string_view kCannotCreateDatabase =
    "ERR00104 : Cannot create MySQL database.";
// The placeholder is filled with the name of the table whose statement failed.
inline constexpr std::string_view kCannotCreateTable = "ERR00105 : Cannot create MySQL table [%s].";
inline constexpr std::string_view kBackupSyslogFileInvalid =
    "ERR00201 : Backup SysLog file is invalid.";
inline constexpr std::string_view kSystemLogFileInvalid = "ERR00202 : System log file is invalid.";
inline constexpr std::string_view kSystemInitFileNotFound =
    "ERR00203 : System init file not found.";
inline constexpr std::string_view kSystemInitDirectoryNotFound =
    "ERR00204 : System init directory not found.";
inline constexpr std::string_view kSystemLogDirectoryNotFound =
    "ERR00205 : System log directory not found.";
inline constexpr std::string_view kWinsockNoResponse = "ERR00301 : Winsock has no response.";
inline constexpr std::string_view kWinsockNotInitialised = "ERR00302 : Winsock is not initialised.";
inline constexpr std::string_view kNetworkDown = "ERR00303 : Network is down.";
inline constexpr std::string_view kNetworkInProgress = "ERR00304 : Network is in progress.";
inline constexpr std::string_view kNetworkConnectionFail = "ERR00305 : Network connection fail.";
inline constexpr std::string_view kAlarmingThreadError = "ERR00401 : Alarming thread error.";
inline constexpr std::string_view kCreatingThreadError = "ERR00402 : Creating thread error.";
inline constexpr std::string_view kReceivingThreadError = "ERR00403 : Receiving thread error.";
inline constexpr std::string_view kFreeingThreadError = "ERR00405 : Freeing thread error.";
inline constexpr std::string_view kCannotCreateCharts = "ERR00501 : Cannot create charts.";
inline constexpr std::string_view kCannotExportCharts = "ERR00502 : Cannot export charts.";
inline constexpr std::string_view kCannotExportCsv = "ERR00504 : Cannot export csv file.";
inline constexpr std::string_view kCannotExportText = "ERR00505 : Cannot export txt file.";
inline constexpr std::string_view kCannotExportHtml = "ERR00506 : Cannot export html file.";
inline constexpr std::string_view kCannotExportExcel = "ERR00509 : Cannot export excel file.";

// Result details of the alarm deliveries, brackets included.
inline constexpr std::string_view kSmppConnectionFailed =
    "[ERR00801 : SMPP Connection Failed, please make sure SMPP URL and port are correct. : ";
inline constexpr std::string_view kSmppBindingFailed =
    "[ERR00802 : SMPP Binding Failed, please make sure username, password, TON/NPI/System "
    "Type/Version/OA are correct. : ";
inline constexpr std::string_view kSmppSendingFailed =
    "[ERR00803 : SMPP Sending Failed, please make sure Dest TON/NPI and Orig TON/NPI are "
    "correct. : ";
inline constexpr std::string_view kSnppPagerIdRequired = "[ERR00901 : SNPP Pager ID required]";
inline constexpr std::string_view kSnppMessageRequired = "[ERR00902 : SNPP Message required]";
inline constexpr std::string_view kSmtpMessageRequired = "[ERR01001 : SMTP Message required]";
inline constexpr std::string_view kSyslogMessageRequired = "[ERR01101 : SysLog Message required]";
inline constexpr std::string_view kHostRequired = "ERR10001 Host/IP required]";
inline constexpr std::string_view kPortRequired = "ERR10002 Port required]";
inline constexpr std::string_view kInvalidHost = "ERR10003 Invalid Host/IP]";
inline constexpr std::string_view kInvalidPort = "ERR10004 Invalid Port]";
inline constexpr std::string_view kHttpConnectionError = " HTTP Alarm Connection Error:";
inline constexpr std::string_view kSyslogConnectionError = " SysLog Alarm Connection Error:";
inline constexpr std::string_view kSmtpConnectionError = " SMTP Alarm Connection Error:";
inline constexpr std::string_view kSnppConnectionError = " SNPP Alarm Connection Error:";
inline constexpr std::string_view kSmppConnectionError = " SMPP Alarm Connection Error:";

// Places in the engine where an unexpected error is caught.
inline constexpr std::string_view kPlaceUdpPipeline1 = "ERR90001-1";
inline constexpr std::string_view kPlaceUdpPipeline2 = "ERR90001-2";
inline constexpr std::string_view kPlaceUdpPipeline3 = "ERR90001-3";
inline constexpr std::string_view kPlaceUdpPipeline4 = "ERR90001-4";
inline constexpr std::string_view kPlaceUdpPipeline5 = "ERR90001-5";
inline constexpr std::string_view kPlaceContactFanOut = "ERR90002";
inline constexpr std::string_view kPlaceManagerDispatch = "ERR90003";
inline constexpr std::string_view kPlaceTcpReceiver = "ERR90036";
inline constexpr std::string_view kPlaceTcpReceiver1 = "ERR90036-1";
inline constexpr std::string_view kPlaceTcpReceiver2 = "ERR90036-2";
inline constexpr std::string_view kPlaceTcpReceiver3 = "ERR90036-3";
inline constexpr std::string_view kPlaceTcpReceiver4 = "ERR90036-4";

// Lines without a code.
inline constexpr std::string_view kApplicationStarts = "Application starts.";
inline constexpr std::string_view kApplicationStops = "Application stops.";
inline constexpr std::string_view kServiceApplicationStarts = "Window Service Application starts.";
inline constexpr std::string_view kServiceApplicationStops = "Window Service Application stops.";
inline constexpr std::string_view kReceptionStarts = "Trevalon starts.";
inline constexpr std::string_view kReceptionStops = "Trevalon stops.";
inline constexpr std::string_view kTcpClosedWhileReceiving =
    "TCP SysLog connection is closed, while receiving SysLog.";
inline constexpr std::string_view kProvideValidCredentials =
    "Please provide valid MySQL Username and Password.";
inline constexpr std::string_view kSupportAddress = "support@trevalon.invalid";
inline constexpr std::string_view kUnhandledErrorPrefix =
    "ERROR : Please send this error message to support@trevalon.invalid for trouble solving.";

}  // namespace trevalon::catalogue
