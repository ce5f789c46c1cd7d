// Settings survive a kill at any moment: the real bridge saves the close-button setting and a
// macro over and over in a process of its own, which is killed with SIGKILL at random points.
// Each time both files still parse and hold the last value saved or the one being saved.
// QUILLEX_LONG=1 kills 200 times instead of 20.

#include "frontend/datafolder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestDurability : public QObject
{
    Q_OBJECT
    QTemporaryDir root;

    // The round number a file says was saved, or -1 when it does not parse as one.
    int settingsRound() const
    {
        QSettings settings(root.path() + QStringLiteral("/modules/apConfig.ini"),
                           QSettings::IniFormat);
        const QStringList data = settings.value(QStringLiteral("Setting/data")).toStringList();
        if (settings.status() != QSettings::NoError || data.size() != 4)
            return -1;
        return data.at(0).toInt() * 3 + data.at(2).toInt(); // n % 2, n % 3 as one number
    }
    int macroRound() const
    {
        QSettings profile(root.path() +
                              QStringLiteral("/modules/P-NORVIK GAMING Quillex/profile0.ini"),
                          QSettings::IniFormat);
        const QJsonObject macro =
            QJsonDocument::fromJson(profile.value(QStringLiteral("Macro/0")).toString().toUtf8())
                .object();
        const QJsonArray actions = macro.value(QStringLiteral("Actions")).toArray();
        if (profile.status() != QSettings::NoError || actions.size() != 256)
            return -1;
        return actions.at(0).toInt() << 8 | actions.at(1).toInt();
    }
    static int settingsKey(int n) { return (n % 2) * 3 + n % 3; }

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid());
        copyDirectory(QStringLiteral(MODULES_SOURCE_DIR), root.path() + QStringLiteral("/modules"));
    }

    // A kill between creating a lock file and writing its owner into it leaves an empty one;
    // the next start must not wait the half minute it takes to count as stale.
    void anEmptyLockLeftByAKillHoldsNoSave()
    {
        QFile lock(root.path() +
                   QStringLiteral("/modules/P-NORVIK GAMING Quillex/profile0.ini.lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
        QProcess saver;
        saver.start(QStringLiteral(SETTINGS_SAVER), {root.path()});
        QVERIFY(saver.waitForReadyRead(10000));
        QVERIFY(saver.readAllStandardOutput().startsWith("saved 1"));
        saver.kill();
        saver.waitForFinished();
    }

    void killedWhileSavingLosesNothing()
    {
        const int kills = qEnvironmentVariableIntValue("QUILLEX_LONG") ? 200 : 20;
        QRandomGenerator random(20261208);
        for (int kill = 0; kill < kills; ++kill) {
            QProcess saver;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("XDG_DATA_HOME"), root.path() + QStringLiteral("/data"));
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), root.path() + QStringLiteral("/config"));
            saver.setProcessEnvironment(env);
            saver.start(QStringLiteral(SETTINGS_SAVER), {root.path()});
            QVERIFY(saver.waitForStarted());
            // Killed after a random number of rounds, wherever in a round it then is.
            const int rounds = int(random.bounded(1, 40));
            int last = 0;
            QByteArray out;
            while (last < rounds) {
                QVERIFY2(saver.waitForReadyRead(10000), saver.readAllStandardError());
                out += saver.readAllStandardOutput();
                const int end = out.lastIndexOf('\n');
                if (end > 0)
                    last = out.left(end).mid(out.left(end).lastIndexOf(' ') + 1).toInt();
            }
            saver.kill();
            saver.waitForFinished();
            out += saver.readAllStandardOutput();
            last = out.trimmed().mid(out.trimmed().lastIndexOf(' ') + 1).toInt();

            const int settings = settingsRound();
            QVERIFY2(settings == settingsKey(last) || settings == settingsKey(last + 1),
                     qPrintable(QStringLiteral("kill %1 after round %2").arg(kill).arg(last)));
            const int macro = macroRound();
            QVERIFY2(macro == last || macro == last + 1,
                     qPrintable(QStringLiteral("kill %1 after round %2: macro round %3")
                                    .arg(kill)
                                    .arg(last)
                                    .arg(macro)));
        }
    }
};

QTEST_GUILESS_MAIN(TestDurability)
#include "test_durability.moc"
