// Starts like quillex does and reports on stdout what the single-instance guard decided and what
// the primary receives, so tests can drive several real processes.
//
//   instance_probe --identity NAME [--no-extra] [--notify] [--post TEXT]...
//                  [--window shown|hidden|minimized]
//
// Lines written: "primary", "extra", "posted 0|1", "started", "message ID HEX",
// "state visible=0|1 minimized=0|1" (after "state" on stdin). "quit" on stdin, or its end, ends
// the primary with the event loop's status.

#include "app/singleinstanceapp.h"
#include "app/widget.h"

#include <QSocketNotifier>

#include <cstdio>
#include <memory>
#include <unistd.h>

static void say(const QByteArray& line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Qt takes some options (such as -name) for itself, so everything is read before the application.
struct ProbeOptions {
    QString identity;
    bool allowExtra = true;
    bool notify = false;
    QList<QByteArray> posts;
    QByteArray window;

    ProbeOptions(int argc, char** argv)
    {
        for (int i = 1; i < argc; ++i) {
            const QByteArray arg = argv[i];
            const bool hasValue = i + 1 < argc;
            if (arg == "--identity" && hasValue)
                identity = QString::fromUtf8(argv[++i]);
            else if (arg == "--post" && hasValue)
                posts << QByteArray(argv[++i]);
            else if (arg == "--window" && hasValue)
                window = argv[++i];
            else if (arg == "--no-extra")
                allowExtra = false;
            else if (arg == "--notify")
                notify = true;
        }
    }
};

int main(int argc, char** argv)
{
    const ProbeOptions probe(argc, argv);
    QCoreApplication::setApplicationName(probe.identity);
    SingleInstanceApp::InstanceOptions options = SingleInstanceApp::PerUser;
    if (probe.notify)
        options |= SingleInstanceApp::NotifyExtraStart;
    SingleInstanceApp app(argc, argv, probe.allowExtra, options, 1000);

    if (!app.isPrimaryInstance()) {
        say("extra");
        // Without --post it sends what quillex sends: nothing.
        const QList<QByteArray> posts =
            probe.posts.isEmpty() ? QList<QByteArray>{QByteArray()} : probe.posts;
        for (const QByteArray& text : posts)
            say("posted " + QByteArray::number(app.postToPrimary(text, 100)));
        return 1;
    }
    say("primary");

    QObject::connect(&app, &SingleInstanceApp::instanceStarted, [] { say("started"); });
    QObject::connect(&app, &SingleInstanceApp::receivedMessage, [](uint id, const QByteArray& m) {
        say("message " + QByteArray::number(id) + ' ' + m.toHex());
    });

    std::unique_ptr<Widget> window;
    const QByteArray& windowState = probe.window;
    if (!windowState.isEmpty()) {
        window = std::make_unique<Widget>();
        QObject::connect(&app, &SingleInstanceApp::receivedMessage, window.get(),
                         &Widget::receiveMessage);
        app.installNativeEventFilter(window.get());
        window->show();
        window->checkScreen();
        window->checkDevice();
        if (windowState == "hidden")
            window->hide();
        else if (windowState == "minimized")
            window->showMinimized();
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char chunk[256];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            input.setEnabled(false);
            QCoreApplication::exit(0);
            return;
        }
        pending.append(chunk, int(n));
        for (int end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QByteArray command = pending.left(end);
            if (command == "quit")
                QCoreApplication::exit(0);
            else if (command == "state" && window)
                say("state visible=" + QByteArray::number(window->isVisible()) +
                    " minimized=" + QByteArray::number(window->isMinimized()));
        }
    });
    return app.exec();
}
