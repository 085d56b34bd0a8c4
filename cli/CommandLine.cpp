#include "cli/CommandLine.h"

namespace velmora::cli {

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
           "  --help            show this text\n"
           "\n"
           "Exit status of status: 0 every drive OK, 1 some drive BAD, 2 some drive\n"
           "UNKNOWN, 3 no VELMORA drive, 4 failure. Other commands: 0 or 4.\n";
}

}  // namespace velmora::cli
