#include "unattended/result_file.h"

#include <cstdio>

namespace {

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

const char* Json(bool value) { return value ? "true" : "false"; }

}  // namespace

std::string ResultJson(const RunResult& result) {
    std::string text = "{\"outcome\": " + Json(std::string(Info(result.outcome).name)) +
                       ", \"exitCode\": " + std::to_string(result.exitCode);
    if (!result.log.empty()) text += ", \"log\": " + Json(result.log);
    if (!result.logFallbackFrom.empty()) text += ", \"logFallbackFrom\": " + Json(result.logFallbackFrom);
    text += ", \"printers\": [";
    for (std::size_t i = 0; i < result.printers.size(); ++i) {
        const PrinterResult& printer = result.printers[i];
        text += std::string(i == 0 ? "" : ", ") + "{\"name\": " + Json(printer.name) +
                ", \"driver\": " + Json(printer.driver) + ", \"environment\": " + Json(printer.environment) +
                ", \"port\": " + Json(printer.port) + ", \"portConfirmed\": " + Json(printer.portConfirmed) +
                ", \"default\": " + Json(printer.isDefault) +
                ", \"outcome\": " + Json(std::string(Info(printer.outcome).name)) + "}";
    }
    return text + "]}\r\n";
}
