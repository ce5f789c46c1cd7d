#pragma once

#include <QString>

// Name of the account the process runs as; empty when the OS cannot tell.
QString currentUserName();
