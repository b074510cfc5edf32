// The unit Gensrc in one include: the mask engine (TmString, TGenMask, IsANum,
// IsAChar, SpcTo0) and the time-stamp routine (GetTimeStamp).
#pragma once

#include "gensrc/GenMask.h"
#include "gensrc/TimeStamp.h"
