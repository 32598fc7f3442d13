#include "account/AccountTest.h"
