#include "frontend/demomode.h"
#include "frontend/startwithos.h"
#include "platform/autostart.h"
#include "platform/linux/sysfsport.h"
#include "platform/mousesettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Start-up entry and mouse settings as the desktop sees them: files in the user's config folder
// and programs found on PATH; the USB port of a hidraw node as sysfs shows it.
class TestSystemIntegration : public QObject
{
    Q_OBJECT

    QTemporaryDir config;

    QString entryFile(const QString& name) const
    {
        return config.path() + QStringLiteral("/autostart/") + name + QStringLiteral(".desktop");
    }
    QString execLine(const QString& name) const
    {
        QFile f(entryFile(name));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("Exec="))
                return QString::fromUtf8(line.mid(5));
        return {};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    }

    void roundTripOnAndOff()
    {
        const QString name = QStringLiteral("quillex");
        QVERIFY(!isAutoStartRegistered(name));
        const QString data = autoStartCommand(QStringLiteral("/opt/quillex/quillex"));
        QCOMPARE(data, QStringLiteral("\"/opt/quillex/quillex\" -s"));
        QVERIFY(writeAutoStart(name, data));
        QVERIFY(isAutoStartRegistered(name));
        QCOMPARE(execLine(name), data);
        removeAutoStart(name);
        QVERIFY(!isAutoStartRegistered(name));
        QVERIFY(!QFile::exists(entryFile(name)));
        removeAutoStart(name); // switching off twice is not an error
        QVERIFY(!isAutoStartRegistered(name));
    }

    // The demo's entry starts the demo again, beside the real program's entry and apart from it.
    void demoEntryStartsTheDemo()
    {
        QVERIFY(writeAutoStart(QStringLiteral("quillex"), QStringLiteral("real")));
        QCoreApplication::setApplicationName(QStringLiteral("quillex-demo"));
        setDemoMode(true);
        QVERIFY(switchStartWithOs(true));
        QCOMPARE(execLine(QStringLiteral("quillex-demo")),
                 autoStartCommand(QCoreApplication::applicationFilePath()) +
                     QStringLiteral(" --demo"));
        QVERIFY(!switchStartWithOs(false));
        QVERIFY(!isAutoStartRegistered(QStringLiteral("quillex-demo")));
        QCOMPARE(execLine(QStringLiteral("quillex")), QStringLiteral("real"));
        setDemoMode(false);
        removeAutoStart(QStringLiteral("quillex"));
    }

    void pathWithBlanksStaysInsideTheQuotes()
    {
        const QString name = QStringLiteral("blanks");
        QVERIFY(
            writeAutoStart(name, autoStartCommand(QStringLiteral("/home/a user/My Apps/quillex"))));
        QCOMPARE(execLine(name), QStringLiteral("\"/home/a user/My Apps/quillex\" -s"));
        removeAutoStart(name);
    }

    void reservedCharactersAreEscaped()
    {
        // Exec quoting escapes " ` $ \ with a backslash and doubles %; the entry's string escaping
        // then doubles every backslash.
        const QString name = QStringLiteral("odd");
        QVERIFY(writeAutoStart(name, autoStartCommand(QStringLiteral("/x/$a\\b\"c`d%e"))));
        QCOMPARE(execLine(name), QStringLiteral("\"/x/\\\\$a\\\\\\\\b\\\\\"c\\\\`d%%e\" -s"));
        removeAutoStart(name);
    }

    void hiddenEntryIsNotRegistered()
    {
        const QString name = QStringLiteral("hidden");
        QVERIFY(writeAutoStart(name, autoStartCommand(QStringLiteral("/q"))));
        QFile f(entryFile(name));
        QVERIFY(f.open(QIODevice::Append));
        f.write("Hidden=true\n");
        f.close();
        QVERIFY(!isAutoStartRegistered(name));
        removeAutoStart(name);
    }

    void mouseSettingsStartsFirstProgramOnPath()
    {
        QTemporaryDir bin;
        const QString marker = bin.path() + QStringLiteral("/started");
        auto addProgram = [&](const QString& program) {
            QFile f(bin.path() + QLatin1Char('/') + program);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(
                QStringLiteral("#!/bin/sh\necho %1 \"$@\" > '%2'\n").arg(program, marker).toUtf8());
            f.close();
            f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        };
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()));
        const bool startedWithNone = openMouseSettings();
        addProgram(QStringLiteral("xfce4-mouse-settings"));
        addProgram(QStringLiteral("kcmshell5"));
        const bool started = openMouseSettings();
        qputenv("PATH", oldPath);
        QVERIFY(!startedWithNone);
        QVERIFY(started);
        const auto written = [&marker] {
            QFile f(marker);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        QTRY_COMPARE(written(), QByteArray("kcmshell5 kcm_mouse\n"));
    }

    void usbPortFromSysfsPaths()
    {
        const QString port = QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2");
        // Every interface of one device, in any of its modes, hangs off the same port; a hub
        // adds to the port's name.
        QCOMPARE(usbPortFromSysfs(port + "/1-2:1.0/0003:093A:C791.0005"), port);
        QCOMPARE(usbPortFromSysfs(port + "/1-2:1.2/0003:2E3C:AF01.0009"), port);
        QCOMPARE(usbPortFromSysfs(port + ".4/1-2.4:1.0/0003:093A:C793.000A"), port + ".4");
        // Not a USB device: no port, so devices are told apart by path alone.
        QCOMPARE(usbPortFromSysfs("/sys/devices/virtual/misc/uhid/0003:093A:C791.0001"), QString());
        QCOMPARE(usbPortFromSysfs(QString()), QString());
    }
};

QTEST_GUILESS_MAIN(TestSystemIntegration)
#include "test_systemintegration.moc"
