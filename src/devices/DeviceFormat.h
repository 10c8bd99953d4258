#pragma once
// The station document and the device-description format: templates, the
// View/Table appenders and the description cache Devices/<name>.xml.
#include <QString>
#include <pugixml.hpp>

struct StationReadContext;

extern const char* const kStationTemplateHead;  // up to the company ID
extern const char* const kStationTemplateTail;  // after the company ID
extern const char* const kDeviceTemplate;       // a new device description
extern const char* const kSubDeviceTemplate;    // SubDevice wrapping one Device
extern const char* const kViewTemplate;
extern const char* const kTableTemplate;

// A new station document with the current company ID; always true.
bool fCreateStationDocument(pugi::xml_document& doc);

// Appends a View (all five attributes empty) or a Table (Number "0", Length "65") as the
// last child of parent and returns it in newNode; false (newNode empty) without a parent.
bool fAddViewNode(pugi::xml_node parent, pugi::xml_node& newNode);
bool fAddTableNode(pugi::xml_node parent, pugi::xml_node& newNode);

// <common resource folder>/Devices and <that>/<name>.xml, the name unchanged.
QString fDeviceDescriptionFolder();
QString fDeviceDescriptionPath(const QString& name);

// Loads a cached description; false (doc empty) when the file is missing, not
// well-formed, or its root is not a Device element, so the caller builds it anew.
bool fLoadDeviceDescription(const QString& path, pugi::xml_document& doc);

// Saves a built description to its cache path, creating the Devices folder when
// missing. On failure the path is logged once per context and the caller goes on
// with the document in memory.
bool fSaveDeviceDescription(const pugi::xml_document& doc, const QString& name, StationReadContext& context);
