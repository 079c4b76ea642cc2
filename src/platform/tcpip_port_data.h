// The records a standard TCP/IP port monitor takes and gives through
// XcvDataW: PORT_DATA_1 ("AddPort" takes it, "GetConfigInfo" gives it) and
// CONFIG_INFO_DATA_1 ("GetConfigInfo" takes it), laid out byte for byte as
// Windows lays them out: UTF-16 fields of fixed length, DWORDs aligned to 4.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plat {

// The monitor's commands.
constexpr const char* kXcvAddPort = "AddPort";
constexpr const char* kXcvGetConfigInfo = "GetConfigInfo";

constexpr std::uint32_t kTcpipProtocolRaw = 1;
constexpr std::uint32_t kTcpipDefaultPortNumber = 9100;

// A TCP/IP port's settings, as far as this installer sets or reads them.
struct TcpipPortData {
    std::string portName;     // at most 63 characters
    std::string hostAddress;  // a host name or IPv4 address, at most 48 characters
    std::uint32_t portNumber = kTcpipDefaultPortNumber;
    std::uint32_t protocol = kTcpipProtocolRaw;
};

namespace port_data_1 {
// Offsets and lengths (in characters) of the fields, and the record's size.
constexpr std::size_t kPortName = 0, kPortNameLength = 64;
constexpr std::size_t kVersion = 128, kProtocol = 132, kSize = 136;
constexpr std::size_t kHostAddress = 144, kHostAddressLength = 49;
constexpr std::size_t kSnmpCommunity = 242, kSnmpCommunityLength = 33;
constexpr std::size_t kQueue = 312, kQueueLength = 33;
constexpr std::size_t kPortNumber = 952, kSnmpEnabled = 956;
constexpr std::size_t kRecordSize = 964;
}  // namespace port_data_1
constexpr std::size_t kConfigInfoData1Size = 132;  // 128 reserved bytes, then dwVersion

namespace detail {
inline void PutDword(std::vector<std::uint8_t>& record, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) record[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline std::uint32_t GetDword(const std::vector<std::uint8_t>& record, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(record[at + i]) << (8 * i);
    return value;
}
// ASCII text as UTF-16, cut to leave the field's terminating zero.
inline void PutText(std::vector<std::uint8_t>& record, std::size_t at, std::size_t length,
                    const std::string& text) {
    for (std::size_t i = 0; i < text.size() && i + 1 < length; ++i) {
        record[at + 2 * i] = static_cast<std::uint8_t>(text[i]);
    }
}
// Up to the first zero; characters beyond 8 bits become '?'.
inline std::string GetText(const std::vector<std::uint8_t>& record, std::size_t at, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned unit = record[at + 2 * i] | (record[at + 2 * i + 1] << 8);
        if (unit == 0) break;
        text += unit < 0x100 ? static_cast<char>(unit) : '?';
    }
    return text;
}
}  // namespace detail

// The PORT_DATA_1 of `data` (version 1, no SNMP).
inline std::vector<std::uint8_t> PackPortData1(const TcpipPortData& data) {
    namespace f = port_data_1;
    std::vector<std::uint8_t> record(f::kRecordSize, 0);
    detail::PutText(record, f::kPortName, f::kPortNameLength, data.portName);
    detail::PutDword(record, f::kVersion, 1);
    detail::PutDword(record, f::kProtocol, data.protocol);
    detail::PutDword(record, f::kSize, static_cast<std::uint32_t>(f::kRecordSize));
    detail::PutText(record, f::kHostAddress, f::kHostAddressLength, data.hostAddress);
    detail::PutText(record, f::kSnmpCommunity, f::kSnmpCommunityLength, "public");
    detail::PutDword(record, f::kPortNumber, data.portNumber);
    return record;
}

// The settings a PORT_DATA_1 holds; nullopt when `record` is too short.
inline std::optional<TcpipPortData> UnpackPortData1(const std::vector<std::uint8_t>& record) {
    namespace f = port_data_1;
    if (record.size() < f::kRecordSize) return std::nullopt;
    TcpipPortData data;
    data.portName = detail::GetText(record, f::kPortName, f::kPortNameLength);
    data.hostAddress = detail::GetText(record, f::kHostAddress, f::kHostAddressLength);
    data.portNumber = detail::GetDword(record, f::kPortNumber);
    data.protocol = detail::GetDword(record, f::kProtocol);
    return data;
}

// CONFIG_INFO_DATA_1, version 1.
inline std::vector<std::uint8_t> PackConfigInfoData1() {
    std::vector<std::uint8_t> record(kConfigInfoData1Size, 0);
    detail::PutDword(record, 128, 1);
    return record;
}

}  // namespace plat
