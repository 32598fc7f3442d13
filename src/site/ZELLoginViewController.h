#pragma once
// The login screen lives with the account screens; screens that pushed it from
// here still find it under this name.
#include "account/ZELLoginViewController.h"
