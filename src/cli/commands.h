// The tool's commands; each returns its exit status or throws a Failure or a CliError.
#pragma once

#include "cli/arguments.h"

#include <filesystem>
#include <optional>

namespace pixa {

// What every command may need beyond its own arguments.
class CliContext {
public:
    explicit CliContext(std::optional<std::filesystem::path> dataDirOption)
        : m_dataDirOption(std::move(dataDirOption)) {}

    // The folder of owners.inf: --data-dir, else $PIXAMANTLER_HOME, else the per-user data
    // folder, as the application finds it. Temporary files that a killed run left there are
    // removed. `create` makes a missing folder (registration writes the store into it).
    std::filesystem::path dataFolder(bool create) const;

private:
    std::optional<std::filesystem::path> m_dataDirOption;
};

int runRegister(const CliContext& context, const CliArguments& args);
int runOwners(const CliContext& context, const CliArguments& args);
int runHint(const CliContext& context, const CliArguments& args);
int runWrap(const CliContext& context, const CliArguments& args);
int runUnwrap(const CliContext& context, const CliArguments& args);
int runInfo(const CliContext& context, const CliArguments& args);
int runList(const CliContext& context, const CliArguments& args);

} // namespace pixa
