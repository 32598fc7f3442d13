#include "NetTest.h"
