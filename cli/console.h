#pragma once

#include <QJsonValue>
#include <QString>

enum ExitCode {
    ExitOk = 0,
    ExitDeviceError = 1, // the device refused, did not answer or could not be read
    ExitUsage = 2,       // the command line or a file given to it is wrong; nothing was written
    ExitNoDevice = 3,    // no device of the family, or the window owns the devices
};

// Where a command's results go: text for people, or with --json one JSON document for scripts.
// Messages always go to standard error.
class Console
{
public:
    explicit Console(bool json) : jsonOutput(json) {}

    bool json() const { return jsonOutput; }
    // Standard output is a terminal (a progress bar may redraw its line).
    static bool interactive();

    void line(const QString& text) const;
    void document(const QJsonValue& value) const;
    // "quillexctl: <text>" on standard error.
    void say(const QString& text) const;
    // The same, for a failure; returns `code` for the caller to end with.
    int fail(int code, const QString& text) const;
    // Redraws the progress line on a terminal, or prints a plain line otherwise.
    void progress(const QString& step, uint percent) const;
    void endProgress() const;

private:
    bool jsonOutput = false;
};
