#include "StationResources.h"

#include "DescriptionBuild.h"
#include "StationReadContext.h"
#include "platform/AppContext.h"

int32_t stationLocale()
{
    int32_t primary = 0, sub = 0;
    AppContext* context = AppContext::current();
    if (context && context->gObjLocale)
        context->gObjLocale->GetLocale(primary, sub);
    else
        LocaleInfo().GetLocale(primary, sub);
    return primary;
}

void logStationLine(const QString& english, const QString& german)
{
    AppContext* context = AppContext::current();
    if (!context || !context->gLogBox)
        return;
    const int32_t primary = stationLocale();
    const QString text = primary == 9 ? english : (primary == 7 ? german : QString());
    AppendLogText(context->gLogBox, text + QStringLiteral("\r\n"));
}

void resetStationResources(StationReadContext& context)
{
    context.terminalResourceTried = false;
    context.terminalResourceMissing = false;
    context.stringTableMissingReported = false;
}

const TerminalResourceTable& stationTerminalResource(DescriptionBuild& build)
{
    StationReadContext& ctx = build.ctx;
    if (!ctx.terminalResourceTried) {
        ctx.terminalResourceTried = true;
        const QString path = ctx.terminalResourceFile.isEmpty() ? terminalResourcePath() : ctx.terminalResourceFile;
        // The loader reports a missing file itself; loading once per read reports it once.
        ctx.terminalResourceMissing = !loadTerminalResourceFile(ctx.terminalResource, path);
    }
    if (ctx.terminalResourceMissing)
        build.readFailed = true;
    return ctx.terminalResource;
}

void reportMissingStringTable(StationReadContext& context)
{
    if (context.stringTableMissingReported)
        return;
    context.stringTableMissingReported = true;
    logStationLine(QStringLiteral("The string table Resource/StringTable.txt is missing: table names stay empty and "
                                  "the coupler's description is not saved."),
                   QStringLiteral("Die Stringtabelle Resource/StringTable.txt fehlt: Tabellennamen bleiben leer, die "
                                  "Beschreibung des Kopplers wird nicht gespeichert."));
}
