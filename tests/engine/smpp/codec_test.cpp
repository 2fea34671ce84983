#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/smpp/gsm_alphabet.h"
#include "engine/smpp/sequence_counter.h"
#include "engine/smpp/smpp_time.h"
#include "engine/smpp/smsc_message_smpp.h"
#include "engine/smpp/user_data.h"
#include "tests/engine/smpp/scripted_smsc.h"

namespace trevalon {
namespace {

using testing::Bytes;
using testing::CString;
using testing::MakePdu;
using testing::operator+;

Bytes SubmitSm(std::u16string_view text, TtcEncodingType encoding = TtcEncodingType::et7BitText,
               std::string_view header = "", SubmitOptions options = soRegisteredDelivery,
               bool asciiFrontend = true, std::string_view optionalParameters = "") {
    TtcSMSCMessageSMPP message;
    message.BuildSubmitSm("5551234", 1, 1, "SYSLOG", 1, 1, text, encoding, header, options, 0, 0,
                          "", optionalParameters, asciiFrontend);
    return message.Bytes();
}

// The octets after sm_length of a submit_sm to 5551234 from SYSLOG.
Bytes ShortMessageOf(const Bytes& pdu) {
    return Bytes(pdu.begin() + 46, pdu.end());
}

TtcSMSCMessageSMPP Extracted(const Bytes& pdu) {
    TtcReceiveBuffer buffer;
    buffer.Append(pdu.data(), static_cast<int>(pdu.size()));
    TtcSMSCMessageSMPP message;
    EXPECT_EQ(message.ExtractFrom(buffer), TExtractResult::erComplete);
    return message;
}

TEST(SmppCodec, SubmitSmOfTheSmsAlarmIsFortyEightOctets) {
    SetSequenceCounter(1);
    EXPECT_EQ(SubmitSm(u"Hi"),
              (Bytes{0x00, 0x00, 0x00, 0x30, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00,
                     0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x01, 0x53, 0x59, 0x53, 0x4C, 0x4F,
                     0x47, 0x00, 0x01, 0x01, 0x35, 0x35, 0x35, 0x31, 0x32, 0x33, 0x34, 0x00,
                     0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x48, 0x69}));
}

TEST(SmppCodec, HeaderOnlyPdusAndAnswers) {
    SetSequenceCounter(7);
    TtcSMSCMessageSMPP enquire;
    enquire.BuildEnquireLink();
    EXPECT_EQ(enquire.Bytes(), (Bytes{0, 0, 0, 0x10, 0, 0, 0, 0x15, 0, 0, 0, 0, 0, 0, 0, 7}));

    TtcSMSCMessageSMPP answer;
    answer.BuildResponse(Extracted(MakePdu(0x15, 0, 7)));
    EXPECT_EQ(answer.Bytes(), (Bytes{0, 0, 0, 0x10, 0x80, 0, 0, 0x15, 0, 0, 0, 0, 0, 0, 0, 7}));

    answer.BuildResponse(Extracted(MakePdu(0x05, 0, 9, Bytes(30, 0))));
    EXPECT_EQ(answer.Bytes(), (Bytes{0, 0, 0, 0x11, 0x80, 0, 0, 0x05, 0, 0, 0, 0, 0, 0, 0, 9, 0}));

    SetSequenceCounter(3);
    TtcSMSCMessageSMPP unbind;
    unbind.BuildUnbind();
    EXPECT_EQ(unbind.Bytes(), (Bytes{0, 0, 0, 0x10, 0, 0, 0, 0x06, 0, 0, 0, 0, 0, 0, 0, 3}));
}

TEST(SmppCodec, BindCarriesTheInterfaceVersionAsTheNumberAndFollowsTheMode) {
    SetSequenceCounter(0);
    TtcSMSCMessageSMPP bind;
    bind.BuildBind("user", "pw", 1, 2, "SYS", bdTransmitter, 34, "RANGE");
    EXPECT_EQ(bind.Bytes(), MakePdu(0x02, 0, 0,
                                    CString("user") + CString("pw") + CString("SYS") +
                                        Bytes{0x22, 1, 2} + CString("RANGE")));

    bind.BuildBind("", "", 1, 1, "", bdReceiver, 52, "");
    EXPECT_EQ(bind.Bytes(), MakePdu(0x01, 0, 1, Bytes{0, 0, 0, 0x34, 1, 1, 0}));
    bind.BuildBind("", "", 1, 1, "", bdTransceiver, 34, "");
    EXPECT_EQ(bind.Bytes()[7], 0x09);
    bind.BuildBind("", "", 1, 1, "", static_cast<SmppBindMode>(7), 34, "");
    EXPECT_EQ(bind.Bytes()[7], 0x09);
}

TEST(SmppCodec, CStringsEndAtAnEmbeddedNul) {
    TtcSMSCMessageSMPP bind;
    bind.BuildBind(std::string("ab\0cd", 5), "", 1, 1, "", bdTransmitter, 34, "");
    EXPECT_EQ(Bytes(bind.Bytes().begin() + 16, bind.Bytes().begin() + 20), (Bytes{'a', 'b', 0, 0}));
}

TEST(SmppCodec, SequenceCounterWrapsToOneAfterTheLargestNumber) {
    SetSequenceCounter(0x7FFFFFFE);
    EXPECT_EQ(NextSequenceNumber(), 0x7FFFFFFEu);
    EXPECT_EQ(NextSequenceNumber(), 0x7FFFFFFFu);
    EXPECT_EQ(NextSequenceNumber(), 1u);
    EXPECT_EQ(NextSequenceNumber(), 2u);
}

TEST(SmppCodec, GsmDefaultAlphabetConversions) {
    EXPECT_EQ(GsmDefaultCodes(u"@"), Bytes{0x00});
    EXPECT_EQ(GsmDefaultCodes(u"\u20AC"), (Bytes{0x1B, 0x65}));
    EXPECT_EQ(GsmDefaultCodes(u"{x}"), (Bytes{0x1B, 0x28, 0x78, 0x1B, 0x29}));
    EXPECT_EQ(GsmDefaultCodes(u"a|b"), (Bytes{0x61, 0x20, 0x62}));
    EXPECT_EQ(GsmDefaultCodes(u"`"), Bytes{0x20});
    EXPECT_EQ(GsmDefaultCodes(u" \u00E0\u00A3\u0394\n^[~]\\"),
              (Bytes{0x20, 0x7F, 0x01, 0x10, 0x0A, 0x1B, 0x14, 0x1B, 0x3C, 0x1B, 0x3D, 0x1B, 0x3E,
                     0x1B, 0x2F}));
    // The form feed of GSM 03.38's extension table is not in this one.
    EXPECT_EQ(GsmDefaultCodes(u"\f"), Bytes{0x20});
}

TEST(SmppCodec, UserDataForEveryEncoding) {
    EXPECT_EQ(SubmitSm(u"").size(), 46u);
    EXPECT_EQ(SubmitSm(u"")[45], 0x00);

    const Bytes hex = SubmitSm(u"0aFFzz1", TtcEncodingType::et8BitHexadecimal);
    EXPECT_EQ(hex[43], 0x04);
    EXPECT_EQ(ShortMessageOf(hex), (Bytes{0x0A, 0xFF, 0x00}));

    const Bytes ucs2 = SubmitSm(u"A\u20AC", TtcEncodingType::etUCS2Text);
    EXPECT_EQ(ucs2[43], 0x08);
    EXPECT_EQ(ShortMessageOf(ucs2), (Bytes{0x00, 0x41, 0x20, 0xAC}));

    const Bytes latin = SubmitSm(u"abc", TtcEncodingType::etISO88595);
    EXPECT_EQ(latin[43], 0x06);
    EXPECT_EQ(ShortMessageOf(latin), Bytes{});
    EXPECT_EQ(SubmitSm(u"abc", static_cast<TtcEncodingType>(42))[43], 0x00);
}

TEST(SmppCodec, UserDataHeaderGoesInFrontAndSetsTheIndicator) {
    const Bytes pdu = SubmitSm(u"Hi", TtcEncodingType::et7BitText, "050003A70201");
    EXPECT_EQ(pdu[36], 0x40);
    EXPECT_EQ(pdu[45], 8);
    EXPECT_EQ(ShortMessageOf(pdu), (Bytes{0x05, 0x00, 0x03, 0xA7, 0x02, 0x01, 0x48, 0x69}));
    EXPECT_EQ(SubmitSm(u"Hi")[36], 0x00);
}

TEST(SmppCodec, PackedSeptetsAlignAfterTheHeader) {
    // "hello" packed by GSM 03.38: E8 32 9B FD 06.
    EXPECT_EQ(ShortMessageOf(SubmitSm(u"hello", TtcEncodingType::et7BitText, "", 0, false)),
              (Bytes{0xE8, 0x32, 0x9B, 0xFD, 0x06}));
    // Six header octets are 48 bits: one fill bit brings the first septet to bit 49.
    EXPECT_EQ(
        ShortMessageOf(SubmitSm(u"hello", TtcEncodingType::et7BitText, "050003A70201", 0, false)),
        (Bytes{0x05, 0x00, 0x03, 0xA7, 0x02, 0x01, 0xD0, 0x65, 0x36, 0xFB, 0x0D}));
    EXPECT_EQ(PackSeptets({0x1B, 0x65}, 0), (Bytes{0x9B, 0x32}));
}

TEST(SmppCodec, OptionsSetRegisteredDeliveryClassesAndTimes) {
    EXPECT_EQ(SubmitSm(u"x", TtcEncodingType::et7BitText, "", 0)[41], 0x00);
    EXPECT_EQ(SubmitSm(u"x", TtcEncodingType::et7BitText, "", soRegisteredDelivery)[41], 0x01);
    EXPECT_EQ(SubmitSm(u"x", TtcEncodingType::et7BitText, "", soClassFlag)[43], 0x10);
    EXPECT_EQ(SubmitSm(u"x", TtcEncodingType::etUCS2Text, "", soClass1)[43], 0xF9);
    EXPECT_EQ(SubmitSm(u"x", TtcEncodingType::et7BitText, "", soClass0 | soClass3)[43], 0xF3);

    TtcSMSCMessageSMPP message;
    const TDateTime relative = 2.0 + (3 * 3600 + 4 * 60 + 5) / 86400.0;
    message.BuildSubmitSm("1", 0, 0, "2", 0, 0, u"", TtcEncodingType::et7BitText, "",
                          soScheduleRelative | soValidityRelative, relative, 0, "", "", true);
    const Bytes& bytes = message.Bytes();
    const std::string body(bytes.begin() + 16, bytes.end());
    EXPECT_NE(body.find(std::string("000002030405000R\0\0", 18)), std::string::npos);
}

TEST(SmppCodec, TimeForms) {
    // 2024-03-05 14:07:09.250
    const TDateTime value = 45356.0 + (14 * 3600 + 7 * 60 + 9.25) / 86400.0;
    EXPECT_EQ(AbsoluteSmppTime(value, -60), "240305140709204+");
    EXPECT_EQ(AbsoluteSmppTime(value, 0), "240305140709200-");
    EXPECT_EQ(AbsoluteSmppTime(value, 300), "240305140709220-");
    EXPECT_EQ(RelativeSmppTime(40.5), "000031120000000R");
    EXPECT_EQ(RelativeSmppTime(-1), "");
    EXPECT_EQ(AbsoluteSmppTime(1e300, 0), "");
}

TEST(SmppCodec, OptionalParametersAreAppendedRaw) {
    const Bytes pdu = SubmitSm(u"Hi", TtcEncodingType::et7BitText, "", soRegisteredDelivery, true,
                               "02040002ABCD");
    EXPECT_EQ(Bytes(pdu.end() - 6, pdu.end()), (Bytes{0x02, 0x04, 0x00, 0x02, 0xAB, 0xCD}));
    EXPECT_EQ(pdu[3], 48 + 6);
}

TEST(SmppCodec, UserDataBeyondShortMessageGoesIntoMessagePayload) {
    const std::u16string text(254, u'a');
    EXPECT_EQ(SubmitSm(text)[45], 254);

    const Bytes pdu = SubmitSm(text + u"\u20AC");
    EXPECT_EQ(pdu[45], 0);
    EXPECT_EQ(Bytes(pdu.begin() + 46, pdu.begin() + 50), (Bytes{0x04, 0x24, 0x01, 0x00}));
    EXPECT_EQ(pdu.size(), 50u + 256u);
    EXPECT_EQ(Bytes(pdu.end() - 2, pdu.end()), (Bytes{0x1B, 0x65}));
}

TEST(SmppCodec, ExtractFromTakesOnlyWholePdus) {
    const Bytes pdu = MakePdu(0x80000004, 0, 1, Bytes(32, 0x41));
    ASSERT_EQ(pdu.size(), 48u);
    TtcReceiveBuffer buffer;
    TtcSMSCMessageSMPP message;

    buffer.Append(pdu.data(), 20);
    EXPECT_EQ(message.ExtractFrom(buffer), TExtractResult::erIncomplete);
    EXPECT_EQ(buffer.BytesRead(), 20);

    TtcReceiveBuffer full;
    const Bytes sixty = pdu + Bytes(pdu.begin(), pdu.begin() + 12);
    full.Append(sixty.data(), 60);
    EXPECT_EQ(message.ExtractFrom(full), TExtractResult::erComplete);
    EXPECT_EQ(message.Bytes(), pdu);
    EXPECT_EQ(full.BytesRead(), 12);
    Bytes rest(12);
    full.PeekData(rest.data(), 12);
    EXPECT_EQ(rest, Bytes(pdu.begin(), pdu.begin() + 12));

    TtcReceiveBuffer fewerThanAHeader;
    fewerThanAHeader.Append(pdu.data(), 15);
    EXPECT_EQ(message.ExtractFrom(fewerThanAHeader), TExtractResult::erIncomplete);
    EXPECT_EQ(fewerThanAHeader.BytesRead(), 15);
}

TEST(SmppCodec, ExtractFromRefusesLengthsNoBufferCanFrame) {
    for (const std::uint32_t length : {0u, 15u, 8193u, 0xFFFFFFFFu}) {
        Bytes pdu = MakePdu(0x80000004, 0, 1);
        pdu[0] = static_cast<std::uint8_t>(length >> 24);
        pdu[1] = static_cast<std::uint8_t>(length >> 16);
        pdu[2] = static_cast<std::uint8_t>(length >> 8);
        pdu[3] = static_cast<std::uint8_t>(length);
        TtcReceiveBuffer buffer;
        buffer.Append(pdu.data(), 16);
        TtcSMSCMessageSMPP message;
        EXPECT_EQ(message.ExtractFrom(buffer), TExtractResult::erInvalid) << length;
    }
    Bytes largest = MakePdu(0x00000005, 0, 1, Bytes(8192 - 16, 0));
    TtcReceiveBuffer buffer;
    EXPECT_EQ(buffer.Append(largest.data(), static_cast<int>(largest.size())), 8192);
    TtcSMSCMessageSMPP message;
    EXPECT_EQ(message.ExtractFrom(buffer), TExtractResult::erComplete);
}

TEST(SmppCodec, ClassifyAndReplyParsing) {
    const struct {
        std::uint32_t Id;
        TPduKind Kind;
    } kinds[] = {{0x00000005, TPduKind::pkIncomingRequest},
                 {0x00000015, TPduKind::pkIncomingRequest},
                 {0x80000001, TPduKind::pkBindReply},
                 {0x80000002, TPduKind::pkBindReply},
                 {0x80000009, TPduKind::pkBindReply},
                 {0x80000004, TPduKind::pkSubmitReply},
                 {0x80000006, TPduKind::pkUnbindReply},
                 {0x80000015, TPduKind::pkKeepAliveReply},
                 {0x80000000, TPduKind::pkNegativeAcknowledgement},
                 {0x00000006, TPduKind::pkIgnored},
                 {0x80000005, TPduKind::pkIgnored},
                 {0x12345678, TPduKind::pkIgnored}};
    for (const auto& kind : kinds) {
        EXPECT_EQ(Extracted(MakePdu(kind.Id, 0, 1)).Classify(), kind.Kind) << kind.Id;
    }

    TtcSMSCMessageSMPP submitted = Extracted(MakePdu(0x80000004, 0, 5, CString("msg-42")));
    submitted.ParseSubmitResp();
    EXPECT_EQ(submitted.Status(), 0);
    EXPECT_EQ(submitted.MessageId(), "msg-42");

    TtcSMSCMessageSMPP refused = Extracted(MakePdu(0x80000004, 0x45, 5));
    refused.ParseSubmitResp();
    EXPECT_EQ(refused.Status(), 69);
    EXPECT_EQ(refused.MessageId(), "");

    TtcSMSCMessageSMPP bind = Extracted(MakePdu(0x80000002, 0x0E, 5));
    bind.ParseBindResp();
    EXPECT_EQ(bind.Status(), 14);

    TtcSMSCMessageSMPP alive = Extracted(MakePdu(0x80000015, 0x08, 5));
    alive.ParseEnquireLinkResp();
    EXPECT_EQ(alive.Status(), 0);
}

Bytes DeliverBody(std::uint8_t esmClass, std::uint8_t dataCoding, const Bytes& shortMessage,
                  const Bytes& parameters = {}) {
    return CString("") + Bytes{1, 2} + CString("SENDER") + Bytes{3, 4} + CString("RECEIVER") +
           Bytes{esmClass, 0, 0} + CString("") + CString("") + Bytes{0, 0, dataCoding, 0} +
           Bytes{static_cast<std::uint8_t>(shortMessage.size())} + shortMessage + parameters;
}

TDeliverSmContent Decoded(const Bytes& body, std::uint32_t sequence = 77) {
    TDeliverSmContent content;
    EXPECT_TRUE(Extracted(MakePdu(0x05, 0, sequence, body)).DecodeDeliverSm(content));
    return content;
}

TEST(SmppCodec, DeliverSmCarryingAMessage) {
    const TDeliverSmContent text = Decoded(DeliverBody(0x00, 0x00, Bytes{'h', 'i', 0xE9}), 4711);
    EXPECT_EQ(LastDeliverSequenceNumber(), 4711u);
    EXPECT_FALSE(text.IsStatusReport);
    EXPECT_EQ(text.Originator, "SENDER");
    EXPECT_EQ(text.OrigTON, 1);
    EXPECT_EQ(text.OrigNPI, 2);
    EXPECT_EQ(text.Destination, "RECEIVER");
    EXPECT_EQ(text.DestTON, 3);
    EXPECT_EQ(text.DestNPI, 4);
    EXPECT_EQ(text.SMText, u"hi\u00E9");
    EXPECT_EQ(text.Encoding, TtcEncodingType::et7BitText);

    const TDeliverSmContent binary =
        Decoded(DeliverBody(0x40, 0x04, Bytes{2, 0xAA, 0xBB, 0x01, 0xFE}));
    EXPECT_EQ(binary.UserDataHeader, "02AABB");
    EXPECT_EQ(binary.SMText, u"01FE");
    EXPECT_EQ(binary.Encoding, TtcEncodingType::et8BitHexadecimal);

    const TDeliverSmContent ucs2 = Decoded(DeliverBody(0x00, 0x08, Bytes{0x20, 0xAC, 0x00, 0x41}));
    EXPECT_EQ(ucs2.SMText, u"\u20ACA");
    EXPECT_EQ(ucs2.Encoding, TtcEncodingType::etUCS2Text);

    const TDeliverSmContent payload =
        Decoded(DeliverBody(0x00, 0x00, {}, Bytes{0x04, 0x24, 0x00, 0x02, 'o', 'k'}));
    EXPECT_EQ(payload.SMText, u"ok");
    EXPECT_EQ(payload.OptionalParameters, "042400026F6B");
}

TEST(SmppCodec, DeliveryReceipts) {
    const std::string receipt =
        "id:0123abc sub:001 dlvrd:001 submit date:2403051407 done date:2403051408 stat:UNDELIV "
        "err:034 text:hello";
    const TDeliverSmContent flagged =
        Decoded(DeliverBody(0x04, 0x00, Bytes(receipt.begin(), receipt.end())));
    EXPECT_TRUE(flagged.IsStatusReport);
    EXPECT_EQ(flagged.MessageID, "0123abc");
    EXPECT_EQ(flagged.SMStatus, 5);
    EXPECT_EQ(flagged.FailureReason, 34);
    // A receipt travels back: its originator is the message's destination.
    EXPECT_EQ(flagged.Originator, "RECEIVER");
    EXPECT_EQ(flagged.OrigTON, 3);
    EXPECT_EQ(flagged.Destination, "SENDER");
    EXPECT_EQ(flagged.DestNPI, 2);

    const std::string keys = "id:9 stat:DELIVRD err:x";
    const TDeliverSmContent byKeys =
        Decoded(DeliverBody(0x00, 0x00, Bytes(keys.begin(), keys.end())));
    EXPECT_TRUE(byKeys.IsStatusReport);
    EXPECT_EQ(byKeys.SMStatus, 2);
    EXPECT_EQ(byKeys.FailureReason, -1);

    const std::string twoKeys = "id:9 stat:DELIVRD";
    EXPECT_FALSE(
        Decoded(DeliverBody(0x00, 0x00, Bytes(twoKeys.begin(), twoKeys.end()))).IsStatusReport);

    EXPECT_EQ(ReadReceiptItems(u"stat:BOGUS").State, 7);
    EXPECT_EQ(ReadReceiptItems(u"stat: REJECTD").State, 7);
    EXPECT_EQ(ReadReceiptItems(u" stat :REJECTD ").State, 8);
}

TEST(SmppCodec, TruncatedDeliverSmIsRefusedWithoutReadingPastIt) {
    const Bytes body = DeliverBody(0x00, 0x00, Bytes{'a', 'b', 'c'});
    TDeliverSmContent content;
    for (std::size_t cut = 0; cut < body.size(); ++cut) {
        EXPECT_FALSE(Extracted(MakePdu(0x05, 0, 1, Bytes(body.begin(), body.begin() + cut)))
                         .DecodeDeliverSm(content))
            << cut;
    }
    EXPECT_FALSE(Extracted(MakePdu(0x05, 0, 1, body + Bytes{0x04, 0x24, 0x00, 0x09, 'x'}))
                     .DecodeDeliverSm(content));
    EXPECT_FALSE(Extracted(MakePdu(0x05, 0, 1, body + Bytes{0x04})).DecodeDeliverSm(content));
    // A user data header longer than the message is cut at its end.
    EXPECT_EQ(Decoded(DeliverBody(0x40, 0x04, Bytes{9, 0xAA})).UserDataHeader, "09AA");
}

TEST(SmppCodec, HexadecimalText) {
    EXPECT_EQ(HexToOctets(std::string_view("00ff7Ag")), (Bytes{0x00, 0xFF, 0x7A}));
    EXPECT_EQ(HexToOctets(std::string_view("zz10")), (Bytes{0x00, 0x10}));
    EXPECT_EQ(OctetsToHex(Bytes{0x00, 0xAB, 0x7F}), "00AB7F");
}

}  // namespace
}  // namespace trevalon
