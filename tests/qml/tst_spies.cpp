// The scene's stand-ins offer nothing the real objects lack: every method, signal and property the
// scene can reach on a spy exists on the object it stands for (methods with the same number of
// arguments).

#include "qmlspies.h"

#include "app/ui_controler.h"
#include "device/hid_thread.h"
#include "frontend/myqquickview.h"

#include <QMetaMethod>
#include <QtTest>

class TestSpies : public QObject
{
    Q_OBJECT

    // Methods the scene can call or connect to, as "name/argument count", with "->" when they
    // answer: a spy that answers where the real object gives nothing, or the other way round,
    // would let the scene pass with code that fails on the real one. The call log's own helpers
    // are for the tests and left out.
    static QStringList reachable(const QMetaObject& meta, int from)
    {
        QStringList out;
        for (int i = from; i < meta.methodCount(); ++i) {
            const QMetaMethod m = meta.method(i);
            if (m.access() == QMetaMethod::Public)
                out << QStringLiteral("%1/%2%3")
                           .arg(QString::fromLatin1(m.name()))
                           .arg(m.parameterCount())
                           .arg(m.returnType() == QMetaType::Void ? QString()
                                                                  : QStringLiteral("->"));
        }
        return out;
    }

private slots:
    void spiesOfferOnlyWhatTheRealObjectsHave()
    {
        const std::pair<const QMetaObject*, const QMetaObject*> pairs[] = {
            {&HidSpy::staticMetaObject, &Hid_Thread::staticMetaObject},
            {&ViewSpy::staticMetaObject, &myQQuickView::staticMetaObject},
            {&CtlSpy::staticMetaObject, &Ui_Controler::staticMetaObject},
        };
        for (const auto& [spy, real] : pairs) {
            const QStringList offered = reachable(*spy, CallLog::staticMetaObject.methodCount());
            QVERIFY(!offered.isEmpty());
            const QStringList present = reachable(*real, 0);
            for (const QString& method : offered)
                QVERIFY2(present.contains(method),
                         qPrintable(QStringLiteral("%1::%2").arg(spy->className(), method)));
            for (int i = spy->propertyOffset(); i < spy->propertyCount(); ++i) {
                const char* name = spy->property(i).name();
                QVERIFY2(real->indexOfProperty(name) >= 0,
                         qPrintable(QStringLiteral("%1::%2").arg(spy->className(), name)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestSpies)
#include "tst_spies.moc"
