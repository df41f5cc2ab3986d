// The main/renderer channel over loopback TCP under Wine: order over many
// messages, a 10 MiB message, the token handshake, Close from another thread
// and a peer that sends garbage.
#include <gtest/gtest.h>

#include "win_include.h"

#include <winsock2.h>

#include <thread>

#include "channel_win.h"

using namespace velora_engine;

namespace {

// A listener with one accepted channel and the connecting side's channel.
class ChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(listener_.Listen(&port_));
    ASSERT_NE(0, port_);
    std::thread client([&] { client_ = Channel::Connect(port_, "s3cret", 5000); });
    server_ = listener_.Accept(5000, "s3cret");
    client.join();
    ASSERT_TRUE(server_);
    ASSERT_TRUE(client_);
  }

  ChannelListener listener_;
  int port_ = 0;
  std::unique_ptr<Channel> server_;
  std::unique_ptr<Channel> client_;
};

TEST_F(ChannelTest, TenThousandMessagesArriveInOrderBothWays) {
  const int kCount = 10000;
  std::thread sender([&] {
    for (int i = 0; i < kCount; ++i) {
      Json::Value message;
      message["n"] = i;
      message["name"] = "\xe4\xbd\xa0\xe5\xa5\xbd";
      ASSERT_TRUE(client_->Send(message));
    }
  });
  // Echo everything back while the sender is still sending.
  std::thread echo([&] {
    Json::Value message;
    for (int i = 0; i < kCount && server_->Receive(&message); ++i)
      server_->Send(message);
  });
  Json::Value message;
  for (int i = 0; i < kCount; ++i) {
    ASSERT_TRUE(client_->Receive(&message)) << "message " << i;
    ASSERT_EQ(i, message["n"].asInt());
    ASSERT_EQ("\xe4\xbd\xa0\xe5\xa5\xbd", message["name"].asString());
  }
  sender.join();
  echo.join();
}

TEST_F(ChannelTest, TenMebibyteMessage) {
  Json::Value big;
  big["payload"] = std::string(10u * 1024u * 1024u, 'z');
  big["tail"] = "end";
  std::thread sender([&] { EXPECT_TRUE(server_->Send(big)); });
  Json::Value received;
  ASSERT_TRUE(client_->Receive(&received));
  sender.join();
  EXPECT_EQ(big["payload"].asString().size(), received["payload"].asString().size());
  EXPECT_EQ(big, received);
}

TEST_F(ChannelTest, MessageAboveTheFrameLimitIsRefusedAndTheChannelGoesOn) {
  Json::Value huge;
  huge["payload"] = std::string(kMaxFrameSize + 1, 'a');
  EXPECT_FALSE(client_->Send(huge));
  EXPECT_NE(std::string::npos, client_->error().find("64 MiB")) << client_->error();
  Json::Value small, received;
  small["after"] = true;
  ASSERT_TRUE(client_->Send(small));
  ASSERT_TRUE(server_->Receive(&received));
  EXPECT_EQ(small, received);
}

TEST_F(ChannelTest, CloseUnblocksReceiveOnAnotherThreadAndThePeerSeesTheEnd) {
  bool result = true;
  std::thread receiver([&] {
    Json::Value message;
    result = server_->Receive(&message);
  });
  Sleep(200);
  server_->Close();
  receiver.join();
  EXPECT_FALSE(result);
  EXPECT_FALSE(server_->Send(Json::Value("late")));
  Json::Value message;
  EXPECT_FALSE(client_->Receive(&message));
}

TEST(ChannelHandshakeTest, WrongTokenIsRefusedAndTheRightOneStillGetsIn) {
  ChannelListener listener;
  int port = 0;
  ASSERT_TRUE(listener.Listen(&port));
  std::unique_ptr<Channel> wrong, right;
  std::thread clients([&] {
    wrong = Channel::Connect(port, "guess", 3000);
    right = Channel::Connect(port, "token-1", 3000);
  });
  std::unique_ptr<Channel> accepted = listener.Accept(5000, "token-1");
  clients.join();
  EXPECT_FALSE(wrong);
  ASSERT_TRUE(right);
  ASSERT_TRUE(accepted);
  Json::Value received;
  ASSERT_TRUE(right->Send(Json::Value("hello")));
  ASSERT_TRUE(accepted->Receive(&received));
  EXPECT_EQ("hello", received.asString());
}

TEST(ChannelHandshakeTest, AcceptTimesOutAndConnectFailsWithoutListener) {
  ChannelListener listener;
  int port = 0;
  ASSERT_TRUE(listener.Listen(&port));
  EXPECT_FALSE(listener.Accept(200, "t"));
  int closed_port = 0;
  {
    ChannelListener gone;
    ASSERT_TRUE(gone.Listen(&closed_port));
  }
  EXPECT_FALSE(Channel::Connect(closed_port, "t", 500));
}

// A peer that does not speak the protocol, through a raw socket after a
// proper handshake: a payload that is not JSON, and a header announcing more
// than the frame limit. Either ends the channel with a reason.
TEST(ChannelCorruptionTest, CorruptFramesEndTheChannel) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"not JSON", std::string("\x05\x00\x00\x00{nope", 9)},
      {"1 GiB frame", std::string("\x00\x00\x00\x40", 4) + "xxxx"},
      {"64 MiB + 1", std::string("\x01\x00\x00\x04", 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ChannelListener listener;
    int port = 0;
    ASSERT_TRUE(listener.Listen(&port));
    SOCKET raw = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    ASSERT_EQ(0, connect(raw, reinterpret_cast<sockaddr*>(&address), sizeof(address)));
    const std::string hello = std::string("\x01\x00\x00\x00", 4) + "t";
    send(raw, hello.data(), static_cast<int>(hello.size()), 0);
    std::unique_ptr<Channel> server = listener.Accept(3000, "t");
    ASSERT_TRUE(server);
    char answer[6];
    ASSERT_EQ(6, recv(raw, answer, 6, MSG_WAITALL));
    EXPECT_EQ(std::string("\x02\x00\x00\x00ok", 6), std::string(answer, 6));
    send(raw, c.bytes.data(), static_cast<int>(c.bytes.size()), 0);
    Json::Value message;
    EXPECT_FALSE(server->Receive(&message));
    EXPECT_NE(std::string::npos, server->error().find("corrupt")) << server->error();
    EXPECT_TRUE(server->closed());
    closesocket(raw);
  }
}

}  // namespace
