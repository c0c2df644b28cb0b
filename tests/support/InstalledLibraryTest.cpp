#include "support/InstalledLibraryTest.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "support/ConfigTestEnvironment.h"
#include "abi/EventKey.h"
#include "tools/hostkit/HostAnswer.h"

namespace kor::testing {

InstalledLibraryTest::InstalledLibraryTest(std::string library, std::string directoryPrefix)
    : library_(std::move(library)), directoryPrefix_(std::move(directoryPrefix)) {}

void InstalledLibraryTest::SetUp() {
    storedOwner_.reset();
    ownerPosts_ = 0;
    root_ = MakeFreshDirectory(directoryPrefix_).string();
    previousDirectory_ = std::filesystem::current_path().string();
    std::filesystem::current_path(root_);
    host_ = std::make_unique<TestHost>("");  // replaced at once by a fresh copy
    Restart();
}

void InstalledLibraryTest::TearDown() {
    // Whatever a test did, no failure may have crossed into the host.
    EXPECT_TRUE(!host_ || host_->table().failures().empty());
    host_.reset();
    if (!previousDirectory_.empty()) std::filesystem::current_path(previousDirectory_);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void InstalledLibraryTest::Start() {
    ASSERT_TRUE(host_->Load().ok());
    ASSERT_TRUE(host_->Initialize());
}

void InstalledLibraryTest::Deliver(std::string_view path, hostkit::ResourceEventType type,
                                   hostkit::HostValue data) {
    const auto event = hostkit::MakeResourceEvent(path, type, std::move(data));
    ASSERT_GT(host_->DeliverEvent(kor::EventKeyOf(path), event), 0u) << path;
}

void InstalledLibraryTest::Restart() {
    EXPECT_TRUE(host_->table().failures().empty());
    host_.reset();
    auto copy = FreshLibraryCopy(library_, root_);
    ASSERT_TRUE(copy.ok()) << copy.error();
    host_ = std::make_unique<TestHost>(copy.value());
}

void InstalledLibraryTest::LogIn(uint64_t account, bool preferencesReady) {
    using hostkit::HostValue;
    Deliver(kSessionPath, hostkit::ResourceEventType::Update,
            HostValue::Structure({{"state", HostValue::String("SUCCEEDED")},
                                  {"summonerId", HostValue::Unsigned(account + 7)},
                                  {"accountId", HostValue::Unsigned(account)}}));
    Deliver(kReadyEventPath, hostkit::ResourceEventType::Update,
            HostValue::Bool(preferencesReady));
}

std::unique_ptr<hostkit::ResponseHolder> InstalledLibraryTest::Call(const std::string& method, const std::string& url,
                                                                   const std::string& jsonBody) {
    auto response = host_->Call(method, url, [&](hostkit::RequestBuilder& request) {
        if (!jsonBody.empty()) request.Body("application/json", jsonBody);
    });
    EXPECT_TRUE(response.ok()) << method << " " << url << ": " << response.error();
    if (!response.ok()) return nullptr;
    auto holder = std::move(response).value();
    EXPECT_TRUE(holder->failed() ? !holder->error().empty() : holder->value().ok()) << method << " " << url;
    return holder;
}

hostkit::HostValue InstalledLibraryTest::Answer(const std::string& method, const std::string& url,
                                                const std::string& jsonBody) {
    auto response = Call(method, url, jsonBody);
    if (!response || response->failed() || !response->value().ok()) {
        ADD_FAILURE() << method << " " << url << " failed: " << (response ? response->error() : "no function");
        return hostkit::HostValue();
    }
    return response->value().value();
}

void InstalledLibraryTest::ScriptDataStore() {
    table().OnRequest(kOwnerPath, [this](PluginResponse* response, const PluginRequest* request) {
        if (request->method == kPost) {
            storedOwner_ = hostkit::ReadPlainValue(request->args[0].value).value();
            ++ownerPosts_;
            hostkit::AnswerValue(response, hostkit::HostValue());
        } else if (storedOwner_) {
            hostkit::AnswerValue(response, *storedOwner_);
        } else {
            hostkit::AnswerError(response, "no such record", 404);
        }
    });
}

bool InstalledLibraryTest::Logged(std::string_view fragment, int32_t level) const {
    for (const auto& line : host_->table().logLines()) {
        if (line.level == level && line.message.find(fragment) != std::string::npos) return true;
    }
    return false;
}

std::vector<TestHostTable::SeenRequest> InstalledLibraryTest::RequestsTo(std::string_view url,
                                                                         uint32_t method) const {
    std::vector<TestHostTable::SeenRequest> seen;
    for (const auto& request : host_->table().requests()) {
        if (request.url == url && request.method == method) seen.push_back(request);
    }
    return seen;
}

}  // namespace kor::testing
