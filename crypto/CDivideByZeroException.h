// Raised by the big-number division when the divisor is zero, so that a bad
// input ends the operation instead of the process. Thrown by value like the
// framework's exceptions.
#pragma once

#include "afx/Afx.h"

class CDivideByZeroException : public CException
{};
