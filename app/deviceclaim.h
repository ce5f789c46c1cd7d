#pragma once

class DeviceLock;

// Takes the devices for the window's whole run. quillexctl may be in the middle of a command: a
// short one is waited for; one that goes on (a firmware update takes minutes) is named in a
// message box, and false tells the program to end rather than talk to the devices meanwhile.
bool claimDevicesForWindow(DeviceLock& lock);
