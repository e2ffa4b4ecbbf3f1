#include "Session.h"

#include "Catalogue.h"
#include "Login.h"
#include "RpcRequest.h"
#include "SqliteErrors.h"
#include "Text.h"
#include "Wire.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <sqlite3.h>
#include <thread>

namespace velloxa::sandbox {
namespace {

constexpr uint8_t kRow = 0xD1, kNbcRow = 0xD2, kReturnValue = 0xAC;
constexpr int kAttentionCheckRows = 64;

struct StatementDeleter {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using PreparedStatement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

bool columnIsNullable(sqlite3* db, sqlite3_stmt* s, int i)
{
    const char* table = sqlite3_column_table_name(s, i);
    const char* column = sqlite3_column_origin_name(s, i);
    if (!table || !column) return true;
    int notNull = 0, primaryKey = 0, autoIncrement = 0;
    if (sqlite3_table_column_metadata(db, sqlite3_column_database_name(s, i), table, column, nullptr, nullptr, &notNull,
                                      &primaryKey, &autoIncrement) != SQLITE_OK)
        return true;
    return !notNull;
}

} // namespace

Session::Session(int socket, const DatabaseSet& databases, const Options& options, const TlsContext* tls)
    : socket_(socket), databases_(databases), options_(options), reader_(socket_), writer_(socket_),
      channel_(socket_, reader_, writer_, options.encryption, tls)
{
}

Session::~Session()
{
    sqlite3_close(db_);
}

void Session::run()
{
    try {
        Message message;
        channel_.receiveLogin(message);
        if (message.type != packet_type::Login7) throw ProtocolError("expected LOGIN7");
        if (!logIn(parseLogin7(message.payload))) return;
        reader_.setMessageLimit(MessageReader::kMaxMessageSize);
        for (;;) {
            reader_.read(message);
            switch (message.type) {
            case packet_type::SqlBatch: answerBatch(message); break;
            case packet_type::Rpc: answerRpc(message); break;
            case packet_type::Attention: acknowledgeAttention(); break;
            default: throw ProtocolError("unexpected message type");
            }
        }
    } catch (const ConnectionLost&) {
        // The client left, or a fault switch ended the connection.
    } catch (const std::exception& e) {
        std::cerr << "velloxa-sandbox: dropping a client: " << e.what() << std::endl;
    }
}

bool Session::logIn(const LoginRequest& login)
{
    if (cancelledWhileDelaying()) return false;
    const std::string refused = "Login failed for user '" + login.userName + "'.";
    if (login.tdsVersion < kOldestTdsVersion) {
        // Its tokens are framed differently; the refusal is framed as it reads them.
        char version[16];
        std::snprintf(version, sizeof version, "%X.%X", login.tdsVersion >> 28, (login.tdsVersion >> 24) & 0xF);
        writer_.begin();
        writeOldLoginRefusal(writer_, {18456, 1, 14, refused + " velloxa-sandbox speaks TDS 7.2, 7.3 and 7.4; this login asked for TDS " + version + "."});
        writer_.end();
        return false;
    }
    bool accountOk = false;
    for (const Account& a : options_.accounts)
        if (equalsIgnoreCase(a.user, login.userName) && a.password == login.password) accountOk = true;
    if (options_.faults.refuseLogins || !accountOk) {
        refuseLogin({{18456, 1, 14, refused}});
        return false;
    }
    const Database* database = login.database.empty() ? databases_.first() : databases_.find(login.database);
    if (!database) {
        refuseLogin({{4060, 1, 11, "Cannot open database \"" + login.database + "\" requested by the login. The login failed."},
                     {18456, 1, 14, refused}});
        return false;
    }
    // A server gives an ODBC login an unlimited TEXTSIZE along with the other ODBC defaults.
    if (login.odbc) encoder_.setTextSize(ValueEncoder::kUnlimited);
    writer_.begin();
    switchDatabase(*database, u"master");
    writeCollationChange(writer_);
    writeEnvChange(writer_, envchange::Language, u"us_english", u"");
    writeInfo(writer_, {5703, 1, 0, "Changed language setting to us_english."});
    writeLoginAck(writer_, login.tdsVersion);
    const size_t packetSize = negotiatedPacketSize(login.packetSize, channel_.encrypted());
    const std::u16string size = toUtf16(std::to_string(packetSize));
    writeEnvChange(writer_, envchange::PacketSize, size, size);
    writeDone(writer_, done_token::Done, done_status::Final, 0, 0);
    writer_.end();
    writer_.setPacketSize(packetSize);
    writer_.setFlushEachPacket(options_.faults.rowDelayUs > 0);
    return true;
}

void Session::refuseLogin(const std::vector<ServerMessage>& errors)
{
    writer_.begin();
    for (const ServerMessage& e : errors) writeError(writer_, e);
    writeDone(writer_, done_token::Done, done_status::Error, 0, 0);
    writer_.end();
}

// Opens the database for this session and tells the client (inside a reply being written).
void Session::switchDatabase(const Database& database, const std::u16string& previous)
{
    sqlite3* db = database.openReader();
    sqlite3_close(db_);
    db_ = db;
    database_ = &database;
    writeEnvChange(writer_, envchange::Database, toUtf16(database.name()), previous);
    writeInfo(writer_, {5701, 2, 0, "Changed database context to '" + database.name() + "'."});
}

bool Session::cancelledWhileDelaying()
{
    if (options_.faults.answerDelayMs <= 0) return false;
    if (!reader_.waitForAttention(options_.faults.answerDelayMs)) return false;
    acknowledgeAttention();
    return true;
}

void Session::acknowledgeAttention()
{
    writer_.begin();
    writeDone(writer_, done_token::Done, done_status::Attention, 0, 0);
    writer_.end();
}

void Session::answerBatch(const Message& message)
{
    const std::string text = parseSqlBatch(message.payload);
    if (cancelledWhileDelaying()) return;
    writer_.begin();
    std::vector<Statement> statements;
    try {
        statements = translateBatch(text, database_->schemas());
    } catch (const TranslationError& e) {
        fail(e.message, done_token::Done);
        writer_.end();
        return;
    }
    if (const auto error = syntaxErrorIn(statements)) {
        fail(*error, done_token::Done);
        writer_.end();
        return;
    }
    if (statements.empty()) writeDone(writer_, done_token::Done, done_status::Final, 0, 0);
    for (size_t i = 0; i < statements.size(); ++i) {
        const uint16_t more = i + 1 < statements.size() ? done_status::More : done_status::Final;
        if (runStatement(statements[i], done_token::Done, more) != Outcome::Done) break;
    }
    writer_.end();
}

// A server compiles the whole batch before it runs any of it: a syntax error anywhere runs
// nothing. Unknown names are found only when their statement runs, as on a server.
std::optional<ServerMessage> Session::syntaxErrorIn(const std::vector<Statement>& statements) const
{
    for (const Statement& statement : statements) {
        if (statement.kind != Statement::Kind::Query && statement.kind != Statement::Kind::Other) continue;
        sqlite3_stmt* raw = nullptr;
        const int rc = sqlite3_prepare_v2(db_, statement.sql.c_str(), int(statement.sql.size()), &raw, nullptr);
        PreparedStatement prepared(raw);
        if (rc == SQLITE_OK) continue;
        const ServerMessage message = serverMessageFor(rc, sqlite3_errmsg(db_), statement);
        if (message.number == 102 || message.number == 105) return message;
    }
    return std::nullopt;
}

Session::Outcome Session::runStatement(const Statement& statement, uint8_t doneToken, uint16_t more)
{
    switch (statement.kind) {
    case Statement::Kind::Set:
        changeSetting(statement.argument);
        writeDone(writer_, doneToken, more, 0, 0);
        return Outcome::Done;
    case Statement::Kind::Use: {
        const Database* target = databases_.find(statement.argument);
        if (!target)
            return fail({911, 1, 16, "Database '" + statement.argument + "' does not exist. Make sure that the name is entered correctly."}, doneToken);
        switchDatabase(*target, toUtf16(database_->name()));
        writeDone(writer_, doneToken, more, 0, 0);
        return Outcome::Done;
    }
    case Statement::Kind::Query:
    case Statement::Kind::Other:
        return runQuery(statement, doneToken, more);
    }
    return Outcome::Failed;
}

void Session::changeSetting(const std::string& words)
{
    if (words == "fmtonly on") formatOnly_ = true;
    if (words == "fmtonly off") formatOnly_ = false;
    if (words.rfind("textsize ", 0) == 0) changeTextSize(words.substr(9));
}

// SET TEXTSIZE n: 0 restores the 4,096-byte default; -1 and 2147483647 (the largest) lift the limit.
void Session::changeTextSize(const std::string& number)
{
    std::string digits;
    for (char c : number)
        if (c != ' ') digits += c;
    long long bytes = 0;
    try {
        bytes = std::stoll(digits);
    } catch (const std::exception&) {
        return;
    }
    if (bytes == 0)
        encoder_.setTextSize(ValueEncoder::kDefaultTextSize);
    else if (bytes < 0 || bytes >= 2147483647)
        encoder_.setTextSize(ValueEncoder::kUnlimited);
    else
        encoder_.setTextSize(uint64_t(bytes));
}

Session::Outcome Session::fail(const ServerMessage& error, uint8_t doneToken)
{
    writeError(writer_, error);
    writeDone(writer_, doneToken, done_status::Error, 0, 0);
    return Outcome::Failed;
}

Session::Outcome Session::runQuery(const Statement& statement, uint8_t doneToken, uint16_t more)
{
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_, statement.sql.c_str(), int(statement.sql.size()), &raw, nullptr);
    PreparedStatement query(raw);
    if (rc != SQLITE_OK) return fail(serverMessageFor(rc, sqlite3_errmsg(db_), statement), doneToken);
    if (!query) { // only comments
        writeDone(writer_, doneToken, more, 0, 0);
        return Outcome::Done;
    }
    if (const auto error = bindParameters(query.get())) return fail(*error, doneToken);
    const int count = sqlite3_column_count(query.get());
    rc = formatOnly_ && count > 0 ? SQLITE_DONE : sqlite3_step(query.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) return fail(serverMessageFor(rc, sqlite3_errmsg(db_), statement), doneToken);
    if (count == 0) {
        writeDone(writer_, doneToken, more, 0, 0);
        return Outcome::Done;
    }

    columns_.clear();
    for (int i = 0; i < count; ++i) {
        const char* declared = sqlite3_column_decltype(query.get(), i);
        auto type = declared ? parseDeclaredType(declared) : std::nullopt;
        if (!type) type = typeForStorageClass(rc == SQLITE_ROW ? sqlite3_column_type(query.get(), i) : SQLITE_TEXT);
        columns_.push_back({toUtf16(sqlite3_column_name(query.get(), i)), *type, columnIsNullable(db_, query.get(), i)});
    }
    writeColumnMetadata(writer_, columns_);

    const Faults& faults = options_.faults;
    uint64_t rows = 0;
    for (;; ++rows) {
        if (faults.closeAfterRows >= 0 && rows == uint64_t(faults.closeAfterRows)) {
            writer_.flushUnfinished();
            throw ConnectionLost("closed after the configured number of rows");
        }
        if (rc != SQLITE_ROW) break;
        writeRow(query.get());
        if (faults.rowDelayUs > 0) std::this_thread::sleep_for(std::chrono::microseconds(faults.rowDelayUs));
        if ((faults.rowDelayUs > 0 || (rows + 1) % kAttentionCheckRows == 0) && reader_.attentionArrived()) {
            // The cut-short response ends like any other; the acknowledgement follows as a
            // message of its own, which clients wait for before they use the connection again.
            writeDone(writer_, done_token::Done, done_status::Final, 0, 0);
            writer_.end();
            writer_.begin();
            writeDone(writer_, done_token::Done, done_status::Attention, 0, 0);
            return Outcome::Cancelled;
        }
        rc = sqlite3_step(query.get());
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) return fail(serverMessageFor(rc, sqlite3_errmsg(db_), statement), doneToken);
    }
    writeDone(writer_, doneToken, uint16_t(more | done_status::Count), kSelectCommand, rows);
    return Outcome::Done;
}

// The translator lets through only declared parameters; one the call gave no value is 8178.
std::optional<ServerMessage> Session::bindParameters(sqlite3_stmt* query)
{
    for (int k = 1; k <= sqlite3_bind_parameter_count(query); ++k) {
        const char* name = sqlite3_bind_parameter_name(query, k);
        const auto found = name ? parameterValues_.find(toLower(name)) : parameterValues_.end();
        if (found == parameterValues_.end() || !found->second)
            return ServerMessage{8178, 1, 16, "The parameterized query '" + parameterQuery_ + "' expects the parameter '" + (name ? name : "?") + "', which was not supplied."};
        const RpcParameter& p = *found->second;
        if (p.integer)
            sqlite3_bind_int64(query, k, *p.integer);
        else if (p.real)
            sqlite3_bind_double(query, k, *p.real);
        else if (p.text)
            sqlite3_bind_text(query, k, p.text->c_str(), int(p.text->size()), SQLITE_TRANSIENT);
        else if (p.binary)
            sqlite3_bind_blob(query, k, p.binary->data(), int(p.binary->size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(query, k);
    }
    return std::nullopt;
}

// ROW, or NBCROW when some value is NULL: the NULLs then cost one bit each.
void Session::writeRow(sqlite3_stmt* row)
{
    const int count = int(columns_.size());
    bool anyNull = false;
    nullBitmap_.assign((size_t(count) + 7) / 8, 0);
    for (int i = 0; i < count; ++i) {
        if (sqlite3_column_type(row, i) == SQLITE_NULL) {
            nullBitmap_[size_t(i) / 8] = uint8_t(nullBitmap_[size_t(i) / 8] | 1 << (i % 8));
            anyNull = true;
        }
    }
    if (!anyNull) {
        writer_.u8(kRow);
        for (int i = 0; i < count; ++i) encoder_.write(writer_, columns_[size_t(i)].type, row, i);
        return;
    }
    writer_.u8(kNbcRow);
    writer_.put(nullBitmap_.data(), nullBitmap_.size());
    for (int i = 0; i < count; ++i)
        if (!(nullBitmap_[size_t(i) / 8] & 1 << (i % 8))) encoder_.write(writer_, columns_[size_t(i)].type, row, i);
}

void Session::answerRpc(const Message& message)
{
    const RpcRequest request = parseRpc(message.payload);
    if (cancelledWhileDelaying()) return;
    writer_.begin();
    if (request.unreadableType != 0) {
        char detail[64];
        std::snprintf(detail, sizeof detail, "Data type 0x%02X is unknown.", request.unreadableType);
        fail({8009, 1, 16,
              "The incoming tabular data stream (TDS) remote procedure call (RPC) protocol stream is incorrect. Parameter " + std::to_string(request.unreadablePosition) + " (\"" + request.unreadableName + "\"): " + detail},
             done_token::DoneProc);
    } else if (request.procedure == "sp_tables" || request.procedure == "sp_tableswc")
        answerCatalogue(request);
    else if (request.procedureId == procedure_id::PrepExec || request.procedureId == procedure_id::ExecuteSql)
        answerPreparedExecution(request);
    else if (request.procedureId == procedure_id::Unprepare) {
        writeReturnStatus(writer_, 0);
        writeDone(writer_, done_token::DoneProc, done_status::Final, 0, 0);
    } else
        answerUnknownProcedure(request);
    writer_.end();
}

void Session::answerCatalogue(const RpcRequest& request)
{
    // "[db]..sp_tables" runs in that database.
    const Database* database = request.database.empty() ? database_ : databases_.find(request.database);
    if (!database) {
        fail({911, 1, 16, "Database '" + request.database + "' does not exist. Make sure that the name is entered correctly."},
             done_token::DoneProc);
        return;
    }
    const auto rows = listTables(*database, tableFilterFrom(request));
    writeTablesResult(writer_, encoder_, *database, rows);
    writeDone(writer_, done_token::DoneInProc, done_status::More | done_status::Count, kSelectCommand, rows.size());
    writeReturnStatus(writer_, 0);
    writeDone(writer_, done_token::DoneProc, done_status::Final, 0, 0);
}

// sp_prepexec (@handle OUTPUT, @params, @stmt, values ...) and sp_executesql (@stmt, @params,
// values ...): the statement runs at once with the values bound to the parameters @params
// declares (by name, or in order when the call names none); the handle handed back is never
// needed again.
void Session::answerPreparedExecution(const RpcRequest& request)
{
    const bool prepExec = request.procedureId == procedure_id::PrepExec;
    const size_t statementAt = prepExec ? 2 : 0, declarationsAt = 1, valuesAt = prepExec ? 3 : 2;
    if (request.parameters.size() <= statementAt || !request.parameters[statementAt].text) {
        fail({8144, 2, 16, "Procedure or function has too many arguments specified."}, done_token::DoneProc);
        return;
    }
    const std::string& text = *request.parameters[statementAt].text;
    const std::string declarations =
        request.parameters.size() > declarationsAt ? request.parameters[declarationsAt].text.value_or("") : "";
    const std::vector<std::string> declared = declaredParameters(declarations);
    parameterValues_.clear();
    for (const std::string& name : declared) parameterValues_[name] = nullptr;
    for (size_t i = valuesAt; i < request.parameters.size(); ++i) {
        const RpcParameter& value = request.parameters[i];
        const std::string name = value.name.empty() ? (i - valuesAt < declared.size() ? declared[i - valuesAt] : "") : toLower(value.name);
        const auto slot = parameterValues_.find(name);
        if (slot == parameterValues_.end()) {
            parameterValues_.clear();
            fail({8145, 2, 16, (value.name.empty() ? "A value" : value.name) + " is not a parameter for procedure sp_executesql."}, done_token::DoneProc);
            return;
        }
        slot->second = &value;
    }
    parameterQuery_ = "(" + declarations + ")" + text;
    std::vector<Statement> statements;
    std::optional<ServerMessage> error;
    try {
        statements = translateBatch(text, database_->schemas(), {declared.begin(), declared.end()});
        error = syntaxErrorIn(statements);
    } catch (const TranslationError& e) {
        error = e.message;
    }
    if (error) {
        parameterValues_.clear();
        fail(*error, done_token::DoneProc);
        return;
    }
    Outcome outcome = Outcome::Done;
    for (const Statement& s : statements) {
        outcome = runStatement(s, done_token::DoneInProc, done_status::More);
        if (outcome != Outcome::Done) break;
    }
    parameterValues_.clear();
    if (outcome == Outcome::Cancelled) return;
    writeReturnStatus(writer_, outcome == Outcome::Done ? 0 : 1);
    if (prepExec) {
        const RpcParameter& handle = request.parameters[0];
        writer_.u8(kReturnValue);
        writer_.u16(0); // ordinal
        writer_.bVarchar(toUtf16(handle.name));
        writer_.u8(0x01); // output parameter
        writer_.u32(0);   // user type
        writer_.u16(0x0001);
        writeTypeInfo(writer_, {SqlType::Int, 0, 0, 0});
        writer_.u8(4);
        writer_.u32(1);
    }
    writeDone(writer_, done_token::DoneProc, outcome == Outcome::Done ? done_status::Final : done_status::Error, 0, 0);
}

void Session::answerUnknownProcedure(const RpcRequest& request)
{
    const std::string name = request.procedure.empty() ? std::to_string(request.procedureId) : request.procedure;
    fail({2812, 62, 16, "Could not find stored procedure '" + name + "'."}, done_token::DoneProc);
}

} // namespace velloxa::sandbox
