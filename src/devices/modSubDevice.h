#pragma once
// The sub-device of a compact box: the channels of its integrated module at position 1.
#include "DescriptionBuild.h"

#include <QString>

// Builds the SubDevice into doc and returns its element (null only when the
// template could not be set up). Reads through the build's channel; a failed
// read marks the build as not to be cached.
pugi::xml_node fCreateSubDeviceDescription(DescriptionBuild& build, pugi::xml_document& doc, int32_t moduleId);

// Caption pair and settings class of one channel of a mixed compact module
// (variant 0 or 1); empty texts where the layout names none.
struct ModuleChannelTexts {
    QString desc1031, desc1033, progId;
};
ModuleChannelTexts fMixedModuleChannel(int variant, int channel);
// The same for a channel of a typed compact module, by the type number it reports.
ModuleChannelTexts fTypedModuleChannel(int32_t typeNumber);
