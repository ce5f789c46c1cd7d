#pragma once

// Where the macros live in a profile file and how their text is read back.

#include <QSettings>
#include <QString>
#include <QVariant>

// No real macro comes near this size (256 entries of at most three digits); a longer text is
// damaged and never reaches a JSON parser.
constexpr int kStoredMacroMaxChars = 64 * 1024;

QString storedMacroKey(const QString& index);

// The text stored for macro `index`: invalid when there is none, empty when it is damaged.
QVariant storedMacroText(const QSettings& profile, const QString& index);
// The action list of the text above: empty when there is none or it is damaged.
QVariantList storedMacroActions(const QSettings* profile, const QString& index);
