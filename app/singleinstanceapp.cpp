#include "app/singleinstanceapp.h"

// Placeholder until the guard lands: every start is primary.
class SingleInstanceAppPrivate
{
};

SingleInstanceApp::SingleInstanceApp(int& argc, char** argv, bool, InstanceOptions, int)
    : QApplication(argc, argv), d(new SingleInstanceAppPrivate)
{
}

SingleInstanceApp::~SingleInstanceApp()
{
    delete d;
}

bool SingleInstanceApp::isPrimaryInstance() const
{
    return true;
}

bool SingleInstanceApp::postToPrimary(const QByteArray&, int)
{
    return false;
}
