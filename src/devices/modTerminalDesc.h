#pragma once
// The terminal sections of the description builder: digital and special
// terminals from the identifier alone, register-based terminals channel by channel.
#include "DescriptionBuild.h"

// Runs for a terminal position: special names, digital views, or hands over
// to the register-based section.
void fBuildTerminalDescription(DescriptionBuild& build);

// Register-based terminals: reads the channel count (register 11) and writes one
// Table and one channel view with its children per channel.
void fBuildRegisterTerminalDescription(DescriptionBuild& build, int32_t id);
