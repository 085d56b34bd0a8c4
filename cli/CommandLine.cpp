#include "cli/CommandLine.h"

#include "history/HistoryTime.h"

namespace velmora::cli {

namespace {

// history's options after the verb; an error text, or empty.
[[nodiscard]] std::string TakeHistoryOptions(Command& command, std::vector<std::string>& rest) {
    std::vector<std::string> unused;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const std::string& option = rest[i];
        if (option != "--drive" && option != "--since") {
            unused.push_back(option);
            continue;
        }
        if (i + 1 == rest.size() || rest[i + 1].empty()) return option + " needs a value";
        const std::string& value = rest[++i];
        if (option == "--drive") {
            if (command.Drive) return "--drive is given twice";
            command.Drive = value;
        } else {
            if (command.Since) return "--since is given twice";
            command.Since = history::ParseUtcDate(value);
            if (!command.Since) return "--since takes a date as YYYY-MM-DD, not '" + value + "'";
        }
    }
    rest = std::move(unused);
    return {};
}

}  // namespace

ParseResult ParseCommandLine(const std::vector<std::string>& arguments) {
    ParseResult result;
    if (arguments.empty()) {
        result.Error = "no command given";
        return result;
    }
    const std::string& verb = arguments[0];
    Command command;
    std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    auto takeJson = [&]() {
        for (auto it = rest.begin(); it != rest.end();) {
            if (*it == "--json") {
                command.Json = true;
                it = rest.erase(it);
            } else {
                ++it;
            }
        }
    };

    if (verb == "--help" || verb == "-h" || verb == "help" || verb == "/?") {
        command.Kind = CommandKind::Help;
    } else if (verb == "status" || verb == "updates") {
        command.Kind = verb == "status" ? CommandKind::Status : CommandKind::Updates;
        takeJson();
    } else if (verb == "history") {
        command.Kind = CommandKind::History;
        takeJson();
        result.Error = TakeHistoryOptions(command, rest);
        if (!result.Error.empty()) return result;
    } else if (verb == "forecast") {
        command.Kind = CommandKind::Forecast;
        takeJson();
    } else if (verb == "metrics") {
        command.Kind = CommandKind::Metrics;
        if (rest.size() >= 1 && rest[0] == "--out") {
            if (rest.size() == 1) {
                result.Error = "--out needs a FILE";
                return result;
            }
            command.File = rest[1];
            rest.erase(rest.begin(), rest.begin() + 2);
        }
    } else if (verb == "watch") {
        command.Kind = CommandKind::WatchNow;
        if (rest.empty() || rest[0] != "--now") {
            result.Error = "watch needs --now";
            return result;
        }
        rest.erase(rest.begin());
    } else if (verb == "raw") {
        command.Kind = CommandKind::Raw;
        if (rest.size() == 1) command.File = rest[0];
        if (rest.size() <= 1) rest.clear();
    } else if (verb == "capture") {
        command.Kind = CommandKind::Capture;
        if (rest.size() == 1) {
            command.File = rest[0];
            rest.clear();
        } else if (rest.empty()) {
            result.Error = "capture needs a FILE";
            return result;
        }
    } else {
        result.Error = "unknown command '" + verb + "'";
        return result;
    }
    if (!rest.empty()) {
        result.Error = "unexpected argument '" + rest[0] + "'";
        return result;
    }
    if (command.File && command.File->empty()) {
        result.Error = "the FILE name is empty";
        return result;
    }
    result.Parsed = command;
    return result;
}

std::string UsageText() {
    return "Usage: SMART_VELMORA_CLI COMMAND\n"
           "\n"
           "Commands:\n"
           "  status [--json]   find the VELMORA drives, read their SMART data and show\n"
           "                    each drive's values, life meter and status\n"
           "  raw [FILE]        write the raw SMART report of every disk to FILE, or to\n"
           "                    standard output\n"
           "  capture FILE      write this machine's disks and their SMART answers as a\n"
           "                    drive-set file that can be replayed\n"
           "  updates [--json]  ask the update service for offers (nothing is downloaded)\n"
           "  history [--json] [--drive SERIAL] [--since YYYY-MM-DD]\n"
           "                    show what the health watch stored: every drive's samples\n"
           "                    and the events, of one drive only, or from a day on (UTC)\n"
           "  forecast [--json] when each drive's life meter reaches 0 % at the rate of its\n"
           "                    last 90 days in the history\n"
           "  metrics [--out FILE]\n"
           "                    every drive's state and wear forecast in the Prometheus\n"
           "                    text format, on standard output or replacing FILE\n"
           "  watch --now       ask the health watch for a sample now and wait until it\n"
           "                    is stored (at most 30 seconds)\n"
           "  --help            show this text\n"
           "\n"
           "Exit status of status: 0 every drive OK, 1 some drive BAD, 2 some drive\n"
           "UNKNOWN, 3 no VELMORA drive, 4 failure. metrics: 0, 3 no VELMORA drive,\n"
           "4 failure. history and forecast: 0, 3 no history yet, 4 failure. Other\n"
           "commands: 0 or 4.\n";
}

}  // namespace velmora::cli
