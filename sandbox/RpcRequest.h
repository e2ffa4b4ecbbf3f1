// A remote procedure call as the driver sends it: by name ("sp_tables") or by number
// (13: sp_prepexec), with its parameters' values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velloxa::sandbox {

// One parameter's value as SQLite takes it: decimals, money, dates, times and GUIDs as the
// text the sandbox stores them as ("-12.50", "2024-02-29 13:45:30.997").
struct RpcParameter {
    std::string name;                 // "@table_name", may be empty
    bool output = false;
    std::optional<std::string> text;  // character values, UTF-8
    std::optional<int64_t> integer;   // integer and bit values
    std::optional<double> real;       // float, real
    std::optional<std::vector<uint8_t>> binary; // binary, varbinary
    bool isNull() const { return !text && !integer && !real && !binary; }
};

struct RpcRequest {
    std::string procedure; // lower case, without brackets or "[db].." prefix; empty when by number
    std::string database;  // the "[db].." prefix, if any
    uint16_t procedureId = 0;
    std::vector<RpcParameter> parameters;
    // A parameter of a type the sandbox cannot read ends the list: its TYPE_INFO byte, its
    // name and its 1-based position, for the error the server answers with.
    uint8_t unreadableType = 0;
    std::string unreadableName;
    size_t unreadablePosition = 0;

    const RpcParameter* parameter(const std::string& name) const;
};

// Skips ALL_HEADERS; throws ProtocolError on malformed input.
RpcRequest parseRpc(const std::vector<uint8_t>& payload);

// The statement text of a SQL batch message (after ALL_HEADERS), in UTF-8.
std::string parseSqlBatch(const std::vector<uint8_t>& payload);

namespace procedure_id {
constexpr uint16_t ExecuteSql = 10, PrepExec = 13, Unprepare = 15;
} // namespace procedure_id

} // namespace velloxa::sandbox
