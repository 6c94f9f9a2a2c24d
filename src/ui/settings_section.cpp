#include "ui/settings_section.h"
