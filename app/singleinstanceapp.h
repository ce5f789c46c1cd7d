#pragma once

#include <QApplication>
#include <QByteArray>

class SingleInstanceAppPrivate;

// The application object of quillex. At construction it decides, through a named shared-memory
// block and a local socket server of the same name, whether this process is the primary instance.
class SingleInstanceApp : public QApplication
{
    Q_OBJECT
public:
    enum InstanceOption {
        PerUser = 1,
        NotifyExtraStart = 4,
        IgnoreVersion = 8,
        IgnorePath = 16,
    };
    Q_DECLARE_FLAGS(InstanceOptions, InstanceOption)

    // `timeout` (ms) bounds connecting and writing to the primary. Ends the process when the
    // block cannot be used (status 1), or when another instance runs and no extra instance is
    // allowed (status 0, after announcing the start to the primary).
    SingleInstanceApp(int& argc, char** argv, bool allowExtraInstance = false,
                      InstanceOptions options = PerUser, int timeout = 1000);
    // Gives up the primary role.
    ~SingleInstanceApp() override;

    bool isPrimaryInstance() const;
    // Sends `message` to the primary over this process's one connection; false on the primary
    // itself or when the message could not be handed over within `timeout` ms.
    bool postToPrimary(const QByteArray& message, int timeout = 100);

signals:
    void instanceStarted();
    void receivedMessage(uint instanceId, QByteArray message);

private:
    friend class SingleInstanceAppPrivate;
    SingleInstanceAppPrivate* d;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(SingleInstanceApp::InstanceOptions)
