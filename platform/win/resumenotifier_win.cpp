#include "platform/resumenotifier.h"

// Resume arrives as WM_POWERBROADCAST / PBT_APMRESUMEAUTOMATIC in the native event filter.
ResumeNotifier::ResumeNotifier(QObject* parent) : QObject(parent) {}

void ResumeNotifier::onPrepareForSleep(bool) {}
