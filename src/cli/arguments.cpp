#include "cli/arguments.h"

#include "cli/cli_error.h"
#include "cli/text_output.h"

#include <algorithm>

namespace pixa {

std::optional<std::string> CliArguments::value(std::string_view name) const {
    const auto it = m_values.find(name);
    if (it == m_values.end()) return std::nullopt;
    return it->second;
}

CliArguments CliArguments::parse(std::span<const std::string> tokens,
                                 std::span<const CliOption> options) {
    CliArguments out;
    bool optionsEnded = false;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::string& token = tokens[i];
        // A lone "-" is an ordinary word (a file named so), as is anything after "--".
        if (optionsEnded || token.size() < 2 || token[0] != '-') {
            out.m_positionals.push_back(token);
            continue;
        }
        if (token == "--") {
            optionsEnded = true;
            continue;
        }
        // Options are echoed made printable: a typed escape sequence must not reach the terminal.
        if (token[1] != '-') throw usageError("unknown option " + printable(token));
        const auto equals = token.find('=');
        const std::string name =
            token.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const auto known = std::find_if(options.begin(), options.end(),
                                        [&](const CliOption& o) { return o.name == name; });
        if (known == options.end()) throw usageError("unknown option --" + printable(name));
        if (out.has(name)) throw usageError("--" + name + " is given more than once");
        std::string value;
        if (equals != std::string::npos) {
            if (!known->takesValue) throw usageError("--" + name + " takes no value");
            value = token.substr(equals + 1);
        } else if (known->takesValue) {
            if (i + 1 >= tokens.size()) throw usageError("--" + name + " needs a value");
            value = tokens[++i];
        }
        out.m_values.emplace(name, std::move(value));
    }
    return out;
}

} // namespace pixa
