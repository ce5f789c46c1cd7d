#include "platform/terminationnotifier.h"

// Windows ends GUI programs through their windows' messages, which Qt already turns into an
// orderly shutdown.
TerminationNotifier::TerminationNotifier(QObject* parent) : QObject(parent) {}
