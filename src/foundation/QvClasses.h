// The foundation's containers and the settings format in one include.
#pragma once

#include "QvCommandHistory.h"
#include "QvGuid.h"
#include "QvMapMode.h"
#include "QvMethodList.h"
#include "QvPointList.h"
#include "QvProperties.h"
#include "QvSDF.h"
