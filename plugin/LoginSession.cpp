#include "plugin/LoginSession.h"

#include <string>
#include <string_view>

#include "binding/NativeTypeRegistration.h"
#include "host/Plugin.h"

namespace kor {
namespace {

template <class T>
NativeTypeBuilder<T> WithPluginTags(NativeTypeBuilder<T> builder, const Plugin& plugin) {
    for (const std::string& tag : plugin.tags()) builder.Tag(tag);
    return builder;
}

template <class T>
NativeTypeBuilder<T> PluginStruct(Plugin& plugin, std::string_view name) {
    return WithPluginTags(RegisterStruct<T>(plugin.registry(), plugin.PluginTypeName(name)), plugin);
}

}  // namespace

void RegisterSessionTypes(Plugin& plugin) {
    PluginStruct<gamesettingsgameclient>(plugin, "gamesettingsgameclient")
        .Field("running", &gamesettingsgameclient::running);
    PluginStruct<gamesettingsgameflowsession>(plugin, "gamesettingsgameflowsession")
        .Field("gameClient", &gamesettingsgameflowsession::gameClient);
    // Enumerators in the host's order of introduction, not by number.
    WithPluginTags(RegisterEnum<LoginSessionStates>(plugin.registry(), plugin.PluginTypeName("LoginSessionStates")),
                    plugin)
        .Enumerator("IN_PROGRESS", LoginSessionStates::IN_PROGRESS)
        .Enumerator("ERROR", LoginSessionStates::ERROR)
        .Enumerator("SUCCEEDED", LoginSessionStates::SUCCEEDED)
        .Enumerator("LOGGING_OUT", LoginSessionStates::LOGGING_OUT);
    PluginStruct<LoginSession>(plugin, "LoginSession")
        .Field("state", &LoginSession::state)
        .Field("summonerId", &LoginSession::summonerId)
        .Field("accountId", &LoginSession::accountId)
        .Field("gasToken", &LoginSession::gasToken);
}

}  // namespace kor
