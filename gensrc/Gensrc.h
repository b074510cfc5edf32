// The unit Gensrc in one include: the mask engine (TmString, TGenMask, IsANum,
// IsAChar, SpcTo0), the generator component (TGenerator) and the time-stamp
// routine (GetTimeStamp).
#pragma once

#include "gensrc/GenMask.h"
#include "gensrc/Generator.h"
#include "gensrc/TimeStamp.h"
