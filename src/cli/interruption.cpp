#include "cli/interruption.h"

#include "cli/cli_error.h"
#include "cli/text_output.h"

namespace pixa {

Interruption::Interruption() : m_signals([this](int) { m_stop.request_stop(); }) {}

void Interruption::rethrowIfInterrupted(const Failure& failure) const {
    const int signal = m_signals.received();
    if (failure.number() != err::UserInterrupt || signal == 0) return;
    throw CliError(128 + signal, failureMessage(failure));
}

} // namespace pixa
