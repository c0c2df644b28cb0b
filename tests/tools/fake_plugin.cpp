// A stand-in plug-in library for the host-side kit's tests. It speaks only
// the boundary header: it fills the context block, describes a small API,
// and in initialize exercises every host entry a real plug-in uses (log,
// subscribe, fire, send a request, read a streamed answer with waits).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/PluginAbi.h"

namespace {

struct FakePlugin {
    PluginCallbacks callbacks;
    PluginHost* host = nullptr;
    uintptr_t hostVersion[3] = {0, 0, 0};
};

// ---- plain records built on the stack ------------------------------------

BindingPlainValue PlainString(const char* text) {
    BindingPlainValue value;
    std::memset(&value, 0, sizeof value);
    value.kind = 5;
    value.payload.string.text = text;
    value.payload.string.length = static_cast<uint32_t>(std::strlen(text));
    return value;
}

BindingPlainValue PlainBool(bool flag) {
    BindingPlainValue value;
    std::memset(&value, 0, sizeof value);
    value.kind = 1;
    value.payload.boolValue = flag ? 1 : 0;
    return value;
}

// ---- host calls ---------------------------------------------------------------

void Log(FakePlugin& plugin, int32_t level, const std::string& message) {
    plugin.host->table->log(plugin.host->table, level, message.c_str());
}

void Fire(FakePlugin& plugin, const char* name, const BindingPlainValue& payload) {
    PluginEvent event;
    std::memset(&event, 0, sizeof event);
    event.name = name;
    event.payload = payload;
    event.context = &plugin;
    plugin.host->table->fireEvent(plugin.host->table, &event);
}

void Send(FakePlugin& plugin, PluginResponse& response, const char* url, const BindingPlainValue* argument) {
    PluginArgument arg;
    std::memset(&arg, 0, sizeof arg);
    PluginRequest request;
    std::memset(&request, 0, sizeof request);
    request.method = 2;
    request.url = url;
    if (argument != nullptr) {
        arg.value = *argument;
        request.args = &arg;
        request.argCount = 1;
    }
    request.callWord = plugin.host->handle;
    std::memset(&response, 0, sizeof response);
    plugin.host->table->sendRequest(plugin.host->table, &response, &request);
}

void Release(PluginResponse& response) {
    if (response.release != nullptr) response.release(&response);
}

// Echoes the answer's value back as the payload of "OnFakeValue".
void RequestValue(FakePlugin& plugin) {
    BindingPlainValue question = PlainString("question");
    PluginResponse response;
    Send(plugin, response, "/fake/value", &question);
    if (response.error != nullptr) {
        Log(plugin, 2, std::string("value request failed: ") + response.error);
    } else {
        Fire(plugin, "OnFakeValue", response.value);
    }
    Release(response);
}

void RequestMissing(FakePlugin& plugin) {
    PluginResponse response;
    Send(plugin, response, "/fake/missing", nullptr);
    if (response.error != nullptr) {
        Log(plugin, 1, std::string("missing: ") + std::to_string(response.status) + " " + response.error);
    }
    Release(response);
}

// Reads in small pieces so that chunks split, and waits for the host after a
// short read that announces more, as a real plug-in does.
void RequestStream(FakePlugin& plugin) {
    PluginResponse response;
    Send(plugin, response, "/fake/stream", nullptr);
    PluginStreamReadFn read = response.streamRead;
    PluginStreamDestroyFn destroy = response.streamDestroy;
    void* stream = response.stream;
    uint64_t hint = response.streamSizeHint;
    response.streamRead = nullptr;
    response.streamDestroy = nullptr;
    response.stream = nullptr;
    Release(response);
    if (read == nullptr) {
        Log(plugin, 2, "stream request answered without a stream");
        return;
    }
    constexpr uint32_t kBuffer = 8;
    std::string text;
    bool ok = true;
    for (;;) {
        char buffer[kBuffer];
        uint32_t length = kBuffer;
        uint8_t more = 0;
        if (read(stream, buffer, &length, &more) == 0) {
            ok = false;
            break;
        }
        text.append(buffer, length);
        if (more == 0) break;
        if (length < kBuffer) {
            plugin.host->table->beginWait(plugin.host->table, "Wait: yield", 0);
            plugin.host->table->yield(plugin.host->table);
            plugin.host->table->endWait(plugin.host->table);
        }
    }
    if (destroy != nullptr) destroy(stream);
    if (!ok) {
        Log(plugin, 2, "stream read failed at offset " + std::to_string(text.size()));
        return;
    }
    Log(plugin, 0, "stream size hint " + std::to_string(hint));
    Fire(plugin, "OnFakeStream", PlainString(text.c_str()));
}

// ---- callbacks ----------------------------------------------------------------

void Dispatch(const PluginEvent* event) {
    auto* plugin = static_cast<FakePlugin*>(event->context);
    if (plugin == nullptr || plugin->host == nullptr) return;
    Fire(*plugin, "OnFakeEcho", event->payload);
}

uint8_t Initialize(void* context, PluginHost* host) {
    auto* plugin = static_cast<FakePlugin*>(context);
    plugin->host = host;
    Log(*plugin, 0,
        "fake initializing for host " + std::to_string(plugin->hostVersion[0]) + "." +
            std::to_string(plugin->hostVersion[1]) + "." + std::to_string(plugin->hostVersion[2]));
    host->table->subscribeEvent(host->table, "OnFakeEvent", host->handle, &Dispatch, plugin, 0);

    BindingPlainMember members[2];
    std::memset(members, 0, sizeof members);
    members[0].name = "plugin";
    members[0].value = PlainString("fake-plugin");
    members[1].name = "ready";
    members[1].value = PlainBool(true);
    BindingPlainValue started;
    std::memset(&started, 0, sizeof started);
    started.kind = 10;
    started.payload.structure.members = members;
    started.payload.structure.count = 2;
    Fire(*plugin, "OnFakeStarted", started);

    RequestValue(*plugin);
    RequestMissing(*plugin);
    RequestStream(*plugin);
    return 1;
}

void Shutdown(void* context) {
    auto* plugin = static_cast<FakePlugin*>(context);
    if (plugin->host != nullptr) {
        plugin->host->table->unsubscribeEvent(plugin->host->table, "OnFakeEvent", plugin->host->handle);
    }
    delete plugin;
}

void MemoryStats(void*, uint32_t* output) {
    for (uint32_t i = 0; i < 14; ++i) output[i] = i < 12 ? i + 1 : 0;
}

// ---- functions ----------------------------------------------------------------

char* Duplicate(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

void SetOwnedString(BindingPlainMember& member, const char* name, const std::string& text) {
    member.name = Duplicate(name);
    member.ownsName = 1;
    member.value.kind = 6;
    member.value.payload.string.text = Duplicate(text);
    member.value.payload.string.length = static_cast<uint32_t>(text.size());
}

void ReleaseOwned(PluginResponse* response) {
    std::free(response->error);
    std::free(response->statusMessage);
    if (response->value.kind == 10) {
        BindingPlainMember* members = response->value.payload.structure.members;
        for (uint32_t i = 0; i < response->value.payload.structure.count; ++i) {
            std::free(const_cast<char*>(members[i].name));
            if (members[i].value.kind == 6) std::free(const_cast<char*>(members[i].value.payload.string.text));
        }
        std::free(members);
    }
    for (uint32_t i = 0; i < response->headerCount; ++i) {
        std::free(const_cast<char*>(response->headers[i].name));
        std::free(const_cast<char*>(response->headers[i].value));
    }
    std::free(response->headers);
    std::memset(response, 0, sizeof *response);
}

const int kEchoContext = 1;

// Answers what it was asked: method, URL, first argument, first header and
// body, each as a string member, so a test can compare the record it built.
void InvokeEcho(PluginResponse* response, const PluginRequest* request) {
    std::string firstArgument = "none";
    if (request->argCount > 0) {
        const PluginArgument& arg = request->args[0];
        firstArgument = std::string(arg.name != nullptr ? arg.name : "(unnamed)") + ":" +
                        std::to_string(arg.value.kind);
    }
    std::string header = request->headerCount > 0
                             ? std::string(request->headers[0].name) + "=" + request->headers[0].value
                             : "";
    std::string body = request->body != nullptr
                           ? std::string(reinterpret_cast<const char*>(request->body), request->bodySize)
                           : "";
    const std::string texts[6][2] = {
        {"method", std::to_string(request->method) +
                       (request->customMethod != nullptr ? std::string(" ") + request->customMethod : "")},
        {"url", request->url != nullptr ? request->url : ""},
        {"argument", firstArgument},
        {"header", header},
        {"body", (request->contentType != nullptr ? std::string(request->contentType) + " " : "") + body},
        {"context", request->callContext == &kEchoContext ? "ok" : "wrong"},
    };
    auto* members = static_cast<BindingPlainMember*>(std::calloc(6, sizeof(BindingPlainMember)));
    for (int i = 0; i < 6; ++i) SetOwnedString(members[i], texts[i][0].c_str(), texts[i][1]);
    response->value.kind = 10;
    response->value.payload.structure.members = members;
    response->value.payload.structure.count = 6;
    response->status = 200;
    response->release = &ReleaseOwned;
}

void InvokeFail(PluginResponse* response, const PluginRequest*) {
    response->error = Duplicate("fake failure");
    response->errorFlag = 1;
    response->status = 418;
    response->statusMessage = Duplicate("teapot");
    response->headers = static_cast<PluginHeader*>(std::calloc(1, sizeof(PluginHeader)));
    response->headers[0].name = Duplicate("x-fake");
    response->headers[0].value = Duplicate("yes");
    response->headerCount = 1;
    response->release = &ReleaseOwned;
}

struct TextStream {
    std::string text;
    std::size_t position = 0;
};

uint8_t ReadText(void* stream, void* buffer, uint32_t* length, uint8_t* more) {
    auto* source = static_cast<TextStream*>(stream);
    std::size_t count = std::min<std::size_t>({*length, 5, source->text.size() - source->position});
    std::memcpy(buffer, source->text.data() + source->position, count);
    source->position += count;
    *length = static_cast<uint32_t>(count);
    *more = source->position < source->text.size() ? 1 : 0;
    return 1;
}

void DestroyText(void* stream) { delete static_cast<TextStream*>(stream); }

void InvokeStream(PluginResponse* response, const PluginRequest*) {
    auto* stream = new TextStream{"streamed by the fake plug-in", 0};
    response->stream = stream;
    response->streamRead = &ReadText;
    response->streamDestroy = &DestroyText;
    response->streamSizeHint = stream->text.size();
    response->release = &ReleaseOwned;
}

// ---- API description ------------------------------------------------------------

const char* const kTags[] = {"Plugins", "Plugin fake-plugin"};

const PluginArgumentRecord kEchoArguments[2] = {
    {&kEchoArguments[1], "message", "what to echo", 20, 0, "", 0},
    {nullptr, "count", "how often", 7, 0, "", 1},
};

const PluginFunctionEntry kFunctions[3] = {
    {{&kFunctions[1].record, 0, &kEchoContext, "PostFakeV1Echo", "FakePlugin", kEchoArguments, 2, 0, 0, "",
      "Echoes the request", "", 1, "", kTags, 2},
     &InvokeEcho,
     {}},
    {{&kFunctions[2].record, 0, nullptr, "GetFakeV1Fail", "FakePlugin", nullptr, 0, 0, 0, "", "Always fails", "",
      1, "", kTags, 2},
     &InvokeFail,
     {}},
    {{nullptr, 0, nullptr, "GetFakeV1Stream", "FakePlugin", nullptr, 0, 0, 0, "", "Answers a stream", "", 1, "",
      kTags, 2},
     &InvokeStream,
     {}},
};

const PluginFieldRecord kFields[2] = {
    {&kFields[1], "name", "a name", 0, 20, 0, "", 0},
    {nullptr, "colour", "a colour", 8, 18, 0, "FakeColour", 1},
};

const PluginEnumeratorRecord kEnumerators[3] = {
    {&kEnumerators[1], "Red", "", 0},
    {&kEnumerators[2], "Green", "", 1},
    {nullptr, "Blue", "", -1},
};

const PluginTypeRecord kTypes[2] = {
    {&kTypes[1], "FakeThing", "FakePlugin", 16, "a thing", kTags, 2, kFields, nullptr, 2},
    {nullptr, "FakeColour", "FakePlugin", 4, "a colour", kTags, 2, nullptr, kEnumerators, 3},
};

const PluginEventRecord kEvents[1] = {
    {nullptr, "OnFakeEvent", "FakePlugin", "FakeThing", "Fired for the tests", kTags, 2},
};

const PluginApiDescription kApi = {kFunctions, 3, kTypes, 2, kEvents, 1};

}  // namespace

#if defined(_WIN32)
#define FAKE_PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

FAKE_PLUGIN_EXPORT void load_kor_game_settings(PluginHostContext* context) {
    auto* plugin = new FakePlugin();
    plugin->callbacks = PluginCallbacks{&Initialize, &Shutdown, &MemoryStats};
    plugin->hostVersion[0] = context->apiMajor;
    plugin->hostVersion[1] = context->apiMinor;
    plugin->hostVersion[2] = context->apiPatch;
    context->apiMajor = 18;
    context->apiMinor = 0;
    context->apiPatch = 0;
    context->callbacks = &plugin->callbacks;
    context->plugin = plugin;
    context->name = "fake-plugin";
    context->api = &kApi;
}
