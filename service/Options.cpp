#include "Options.h"

#include "Demo.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

namespace {

bool readNumber(std::string_view text, int min, int max, int& out)
{
    int value = 0;
    const auto [rest, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || rest != text.data() + text.size() || value < min || value > max)
        return false;
    out = value;
    return true;
}

} // namespace

ParsedOptions parseOptions(int argc, const char* const* argv)
{
    ParsedOptions parsed;
    Options& options = parsed.options;
    auto fail = [&](std::string message) {
        parsed.outcome = ParsedOptions::Outcome::Invalid;
        parsed.error = std::move(message);
        return parsed;
    };

    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        std::string_view name = argument;
        std::string_view inlineValue;
        bool hasInlineValue = false;
        if (const auto equals = argument.find('='); argument.starts_with("--") && equals != std::string_view::npos) {
            name = argument.substr(0, equals);
            inlineValue = argument.substr(equals + 1);
            hasInlineValue = true;
        }
        auto flag = [&]() {
            return !hasInlineValue;
        };
        // Takes the option's value from "--name=value" or from the next argument.
        auto value = [&](std::string_view& out) {
            if (hasInlineValue) {
                out = inlineValue;
                return true;
            }
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };

        std::string_view text;
        if (name == "--help" || name == "-h") {
            if (!flag())
                return fail(std::string(name) + " takes no value");
            parsed.outcome = ParsedOptions::Outcome::Help;
            return parsed;
        } else if (name == "--demo" || name == "--quiet") {
            if (!flag())
                return fail(std::string(name) + " takes no value");
            (name == "--demo" ? options.demo : options.quiet) = true;
        } else if (name == "--host") {
            if (!value(text) || text.empty())
                return fail("--host needs a host name or address");
            options.host = text;
        } else if (name == "--port") {
            if (!value(text) || !readNumber(text, 0, 65535, options.port))
                return fail("--port needs a number from 0 to 65535");
        } else if (name == "--db") {
            if (!value(text) || text.empty())
                return fail("--db needs a file path or :memory:");
            options.dbPath = text;
        } else if (name == "--cert") {
            if (!value(text) || text.empty())
                return fail("--cert needs a PEM certificate file");
            options.certFile = text;
        } else if (name == "--key") {
            if (!value(text) || text.empty())
                return fail("--key needs a PEM private key file");
            options.keyFile = text;
        } else if (name == "--delay-ms" || name == "--policy-delay-ms") {
            int& target = name == "--delay-ms" ? options.delayMs : options.policyDelayMs;
            if (!value(text) || !readNumber(text, 0, 600'000, target))
                return fail(std::string(name) + " needs a number of milliseconds from 0 to 600000");
        } else {
            return fail("unknown option: " + std::string(argument));
        }
    }
    if (options.certFile.empty() != options.keyFile.empty())
        return fail("--cert and --key go together");
    return parsed;
}

std::string helpText()
{
    return std::string(R"(Usage: lumaro-service [options]

The local stand-in for the Lumaro service: the JSON interface under /api/v1/
that the console talks to, for tests, demos and trying the console out.

Options:
  --host H               address to listen on (default 127.0.0.1)
  --port N               port to listen on (default 8765; 0 picks a free port)
  --db PATH              database file (default $XDG_DATA_HOME/lumaro-service/service.db,
                         else ~/.local/share/lumaro-service/service.db);
                         :memory: keeps everything in memory until the service stops
  --cert FILE --key FILE serve HTTPS with this PEM certificate and private key
  --demo                 add a demo parent with two devices unless it exists already;
                         the sign-in is printed on start:
                           e-mail    )")
        + demoEmail + R"(
                           password  )" + demoPassword
        + R"(
  --delay-ms N           hold back every answer N milliseconds
  --policy-delay-ms N    hold back answers to policy updates (PUT .../policy) a
                         further N milliseconds
  --quiet                no request log on standard error
  --help                 this text

The first line on standard output is the base address, for example
http://127.0.0.1:8765 (https with --cert). SIGINT or SIGTERM stops the service.
Exit status: 0 after a clean stop, 1 when it cannot start, 2 for a bad command line.
)";
}

std::string defaultDatabasePath()
{
    std::string base;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        base = data;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.local/share";
    else
        return {};
    return base + "/lumaro-service/service.db";
}
