#pragma once
// A Touchstone file's fault as the GUI words it, in Czech.

#include "touchstone.h"

#include <QString>

// "<name>: řádek N: <detail>", the name when the fault came from a file and
// the line when it belongs to one.
QString TouchstoneErrorText(const ETouchstoneError& e);

class EAnalyserError;
// An analyser's fault as the GUI words it, in Czech, with what the device
// said in quotes where it said something.
QString AnalyserErrorText(const EAnalyserError& e);
