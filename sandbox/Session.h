// One client connection from PRELOGIN to close: login, then SQL batches, RPCs and ATTENTIONs.
#pragma once

#include "DatabaseSet.h"
#include "MessageReader.h"
#include "Options.h"
#include "PacketWriter.h"
#include "SecureChannel.h"
#include "SocketTransport.h"
#include "Tokens.h"
#include "TsqlTranslator.h"
#include "ValueEncoder.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace velloxa::sandbox {

struct LoginRequest;
struct RpcParameter;
struct RpcRequest;

class Session {
public:
    // `tls`: the server's TLS context, null when options.encryption is Encryption::None.
    Session(int socket, const DatabaseSet& databases, const Options& options, const TlsContext* tls);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Serves the client until it leaves or misbehaves; never throws.
    void run();

private:
    enum class Outcome { Done, Failed, Cancelled };

    bool logIn(const LoginRequest& login);
    void refuseLogin(const std::vector<ServerMessage>& errors);
    void switchDatabase(const Database& database, const std::u16string& previous);

    void answerBatch(const Message& message);
    void answerRpc(const Message& message);
    void answerCatalogue(const RpcRequest& request);
    void answerPreparedExecution(const RpcRequest& request);
    void answerUnknownProcedure(const RpcRequest& request);

    std::optional<ServerMessage> syntaxErrorIn(const std::vector<Statement>& statements) const;
    Outcome runStatement(const Statement& statement, uint8_t doneToken, uint16_t more);
    Outcome runQuery(const Statement& statement, uint8_t doneToken, uint16_t more);
    Outcome fail(const ServerMessage& error, uint8_t doneToken);
    void writeRow(sqlite3_stmt* row);
    std::optional<ServerMessage> bindParameters(sqlite3_stmt* query);
    void changeSetting(const std::string& words);
    void changeTextSize(const std::string& number);

    // Waits out --answer-delay-ms; true when the client cancelled meanwhile (already answered).
    bool cancelledWhileDelaying();
    void acknowledgeAttention();

    SocketTransport socket_;
    const DatabaseSet& databases_;
    const Options& options_;
    MessageReader reader_;
    PacketWriter writer_;
    SecureChannel channel_;
    ValueEncoder encoder_;
    const Database* database_ = nullptr;
    sqlite3* db_ = nullptr;
    bool formatOnly_ = false;
    std::vector<ResultColumn> columns_;
    // While an sp_executesql or sp_prepexec runs: each declared parameter (lower-case name)
    // with the value the call passed, null when it passed none; and the call's texts for errors.
    std::map<std::string, const RpcParameter*> parameterValues_;
    std::string parameterQuery_;
    std::vector<uint8_t> nullBitmap_;
};

} // namespace velloxa::sandbox
