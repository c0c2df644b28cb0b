#pragma once

#include <cstdint>

#include "binding/BindingProperty.h"
#include "binding/StaticTypeId.h"

namespace kor {

class Plugin;

// The state of the login session of the client's user, as the host reports
// it. The numbers are the host's.
enum class LoginSessionStates : int32_t { IN_PROGRESS = 0, SUCCEEDED = 1, LOGGING_OUT = 2, ERROR = 3 };

// Who is logged in: the host's "/kor-login/v1/session" resource. The service
// only trusts a session that is SUCCEEDED with both ids set.
struct LoginSession {
    LoginSessionStates state = LoginSessionStates::IN_PROGRESS;
    uint64_t summonerId = 0;
    uint64_t accountId = 0;
    BindingProperty gasToken;
};

// What the plug-in has heard from the host's two session resources: who is
// logged in, and whether the player-preferences service can be used. Only
// the plug-in's event handlers write it; its collaborators read it.
struct ObservedSession {
    LoginSession login;
    bool playerPreferencesReady = false;
};

// A game-flow session with a running game client. Part of the API
// description only: no handler of the service receives them.
struct gamesettingsgameclient {
    bool running = false;
};
struct gamesettingsgameflowsession {
    gamesettingsgameclient gameClient;
};

// Registers the four types above with the plug-in, under its type-name
// prefix and with its tags, the two game-flow records first (the second one
// refers to the first), then the enumeration, then the session.
void RegisterSessionTypes(Plugin& plugin);

}  // namespace kor

KOR_BINDING_NAMED_TYPE_ID(kor::LoginSessionStates);
KOR_BINDING_NAMED_TYPE_ID(kor::LoginSession);
KOR_BINDING_NAMED_TYPE_ID(kor::gamesettingsgameclient);
KOR_BINDING_NAMED_TYPE_ID(kor::gamesettingsgameflowsession);
