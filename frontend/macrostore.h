#pragma once

// Where the macros live in a profile file and how their text is read back.

#include <QSettings>
#include <QString>
#include <QVariant>

class Hid_Thread;

// No real macro comes near this size (256 entries of at most three digits); a longer text is
// damaged and never reaches a JSON parser.
constexpr int kStoredMacroMaxChars = 64 * 1024;

QString storedMacroKey(const QString& index);

// The text stored for macro `index`: invalid when there is none, empty when it is damaged.
QVariant storedMacroText(const QSettings& profile, const QString& index);
// The action list of the text above: empty when there is none or it is damaged.
QVariantList storedMacroActions(const QSettings* profile, const QString& index);
// [{ number, actions }] of the macros stored in `profile`, numbers 1-10: the settings file's
// macro list.
QVariantList storedMacroList(const QSettings& profile);

// Stores `macro` ("Actions" plus the page's members) as macro `index` of `profile`. False when
// the file could not be written.
bool storeMacro(QSettings& profile, int index, QVariantMap macro);
// Uploads the image of `actions` as macro `index` (0-9). True only when the mouse took it;
// nothing is sent for a damaged list.
bool uploadMacro(Hid_Thread& link, int index, const QVariantList& actions);
