// The numbered records of profile files, at the path the uninstaller includes them by.
#pragma once
#include "bramlow/actions/profile/profile_lists.h"
