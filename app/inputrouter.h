#pragma once

#include <QObject>

class InputSource;
class Ui_Controler;

// Makes the controller's input signals out of what `source` reports: keys through the key table
// and its state rule, buttons with the motion summed since the previous button, the wheel.
// Lives as long as the source.
void routeInput(InputSource* source, Ui_Controler* controller);
