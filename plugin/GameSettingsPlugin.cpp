#include "plugin/GameSettingsPlugin.h"
