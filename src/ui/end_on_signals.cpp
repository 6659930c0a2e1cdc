#include "ui/end_on_signals.h"

#include <QMetaObject>
#include <QObject>

#include <utility>

namespace pixa::ui {

EndOnSignals::EndOnSignals(QObject* context, std::function<void()> end)
    : m_signals([context, end = std::move(end)](int) {
          // From the watcher's thread: queued to the context's own.
          QMetaObject::invokeMethod(context, end, Qt::QueuedConnection);
      }) {}

} // namespace pixa::ui
