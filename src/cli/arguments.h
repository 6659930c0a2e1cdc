// The tool's command line: long options with or without a value, and positional words.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pixa {

struct CliOption {
    std::string_view name; // without the leading "--"
    bool takesValue = false;
};

class CliArguments {
public:
    // Accepts "--name value", "--name=value" and flags; "--" ends the options. An unknown option,
    // a missing value, a value given to a flag or an option given twice is a usage error.
    static CliArguments parse(std::span<const std::string> tokens,
                              std::span<const CliOption> options);

    bool has(std::string_view name) const { return m_values.find(name) != m_values.end(); }
    std::optional<std::string> value(std::string_view name) const;
    const std::vector<std::string>& positionals() const { return m_positionals; }

private:
    std::map<std::string, std::string, std::less<>> m_values; // a flag maps to ""
    std::vector<std::string> m_positionals;
};

} // namespace pixa
