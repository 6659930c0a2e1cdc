// Where the tool takes a password from: a file named with an option, the environment, or the
// terminal without echo; never a plain argument.
#pragma once

#include "cli/arguments.h"

#include <string>

namespace pixa {

enum class PasswordKind { Owner, Viewer };

// The option that names a password file for `kind`, e.g. "owner-password-file".
std::string_view passwordFileOption(PasswordKind kind);

// A password as typed (UTF-8) and its confirmation. Without a second prompt (a file or the
// environment) the confirmation is the value itself.
struct EnteredPassword {
    std::string value;
    std::string confirmation;
};

// The password of `kind`: from the file option when given (its first line; the file may be a
// pipe, a FIFO or /dev/stdin, and one that is empty or that nothing writes to is a failure), else
// the environment variable when it is set (an empty value is an empty password), else prompted
// on the terminal, twice when `confirm`. With none of these and no terminal on standard input it
// is a usage error rather than a wait for input that will not come.
EnteredPassword enterPassword(PasswordKind kind, const CliArguments& args, bool confirm);

} // namespace pixa
