// A remote procedure call as the driver sends it: by name ("sp_tables") or by number
// (13: sp_prepexec), with its parameters' values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velloxa::sandbox {

struct RpcParameter {
    std::string name; // "@table_name", may be empty
    bool output = false;
    std::optional<std::string> text; // character values, UTF-8
    std::optional<int64_t> integer;  // integer and bit values
    bool isNull() const { return !text && !integer; }
};

struct RpcRequest {
    std::string procedure; // lower case, without brackets or "[db].." prefix; empty when by number
    std::string database;  // the "[db].." prefix, if any
    uint16_t procedureId = 0;
    std::vector<RpcParameter> parameters;

    const RpcParameter* parameter(const std::string& name) const;
};

// Skips ALL_HEADERS; throws ProtocolError on malformed input or a parameter type it cannot read.
RpcRequest parseRpc(const std::vector<uint8_t>& payload);

// The statement text of a SQL batch message (after ALL_HEADERS), in UTF-8.
std::string parseSqlBatch(const std::vector<uint8_t>& payload);

namespace procedure_id {
constexpr uint16_t ExecuteSql = 10, PrepExec = 13, Unprepare = 15;
} // namespace procedure_id

} // namespace velloxa::sandbox
