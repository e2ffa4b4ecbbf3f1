#include "Options.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace velloxa::sandbox {

const char* const kUsage =
    "usage: velloxa-sandbox [--port N] [--database NAME=FILE]... [--account USER:PASSWORD]...\n"
    "                       [--config FILE] [--browser] [--encryption none|login|required]\n"
    "                       [--max-connections N]\n"
    "                       [--refuse-logins] [--answer-delay-ms N]\n"
    "                       [--close-after-rows N] [--row-delay-us N] [--help]\n"
    "A connection that sends no whole packet within 30 s of connecting, or that stops reading\n"
    "for 30 s while an answer is sent, is closed.\n";

namespace {

long long number(const std::string& option, const std::string& text, long long low, long long high)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        throw std::runtime_error(option + ": not a number in range: '" + text + "'");
    return value;
}

std::pair<std::string, std::string> splitAt(const std::string& option, const std::string& text, char separator)
{
    const auto at = text.find(separator);
    if (at == std::string::npos || at == 0) throw std::runtime_error(option + ": expected A" + separator + "B, got '" + text + "'");
    return {text.substr(0, at), text.substr(at + 1)};
}

std::string trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

void parseInto(Options& options, const std::vector<std::string>& args, const std::filesystem::path& baseDir);

// Options of a config file: "--name value" or "name value" per line; '#' starts a comment.
// Relative database files are taken relative to the config file.
void readConfig(Options& options, const std::string& file)
{
    std::ifstream in(file);
    if (!in) throw std::runtime_error("--config: cannot read '" + file + "'");
    std::vector<std::string> args;
    std::string line;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        const auto space = line.find_first_of(" \t");
        std::string name = line.substr(0, space);
        if (name.rfind("--", 0) != 0) name = "--" + name;
        args.push_back(name);
        if (space != std::string::npos) args.push_back(trim(line.substr(space)));
    }
    parseInto(options, args, std::filesystem::absolute(file).parent_path());
}

void parseInto(Options& options, const std::vector<std::string>& args, const std::filesystem::path& baseDir)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw std::runtime_error(option + ": value missing");
            return args[++i];
        };
        if (option == "--port") {
            options.port = int(number(option, value(), 0, 65535));
        } else if (option == "--database") {
            auto [name, file] = splitAt(option, value(), '=');
            std::filesystem::path path(file);
            if (path.is_relative() && !baseDir.empty()) path = baseDir / path;
            options.databases.push_back({name, path.string()});
        } else if (option == "--account") {
            auto [user, password] = splitAt(option, value(), ':');
            options.accounts.push_back({user, password});
        } else if (option == "--config") {
            readConfig(options, value());
        } else if (option == "--max-connections") {
            options.maxConnections = int(number(option, value(), 1, 100'000));
        } else if (option == "--browser") {
            options.browser = true;
        } else if (option == "--encryption") {
            const std::string& mode = value();
            if (mode == "none")
                options.encryption = Encryption::None;
            else if (mode == "login")
                options.encryption = Encryption::Login;
            else if (mode == "required")
                options.encryption = Encryption::Required;
            else
                throw std::runtime_error(option + ": expected none, login or required, got '" + mode + "'");
        } else if (option == "--refuse-logins") {
            options.faults.refuseLogins = true;
        } else if (option == "--answer-delay-ms") {
            options.faults.answerDelayMs = int(number(option, value(), 0, 3'600'000));
        } else if (option == "--close-after-rows") {
            options.faults.closeAfterRows = number(option, value(), 0, 1LL << 62);
        } else if (option == "--row-delay-us") {
            options.faults.rowDelayUs = int(number(option, value(), 0, 60'000'000));
        } else {
            throw std::runtime_error("unknown option '" + option + "'");
        }
    }
}

} // namespace

Options parseOptions(const std::vector<std::string>& arguments)
{
    Options options;
    parseInto(options, arguments, {});
    return options;
}

} // namespace velloxa::sandbox
