#include <cmath>
#include <limits>
#include <stdexcept>

#include "AutomationRig.h"
#include "model/EAbort.h"

using namespace automation;

namespace {

class AutomationCore : public AutomationRig {
 protected:
  Node Root() {
    CallResult r = child(createApplication(), "SCPI");
    EXPECT_TRUE(r.Outcome.Ok());
    return r.Value.asNode();
  }
};

Variant ThrowsPlain(const TCall&) { throw std::runtime_error("plain failure"); }

TEST_F(AutomationCore, ResultCodesCarryTheNumberTheTextAndTheInterface) {
  EXPECT_EQ(ResultCodeOf(201), 0x800402C9u);
  EXPECT_EQ(ResultCodeOf(220), 0x800402DCu);
  EXPECT_EQ(ResultCodeOf(224), 0x800402E0u);
  EXPECT_EQ(ResultCodeOf(0), 0x80040200u);

  CallResult bad = child(Root(), "INITiate", {Variant(int32_t{0})});
  EXPECT_EQ(bad.Outcome.Code, 0x800402C9u);
  EXPECT_EQ(bad.Outcome.ScpiNumber, 201);
  EXPECT_EQ(bad.Outcome.Description, "Channel index out of range");
  EXPECT_EQ(bad.Outcome.Interface, "ISCPI");
  EXPECT_EQ(bad.Outcome.Source, "");
  EXPECT_TRUE(bad.Value.isEmpty()) << "no node is made";

  // An exception without a number keeps the base code; the number stays 0.
  NodeRow row;
  row.Interface = "ISCPI_Test";
  MemberRow m;
  m.Name = "FAIL";
  m.Call = ThrowsPlain;
  m.NeedsTarget = false;
  row.Members = {m};
  Node node = std::make_shared<const NodeData>(row, std::array<int, 3>{}, 0);
  CallResult plain = invoke(node, "FAIL", CallKind::Call);
  EXPECT_EQ(plain.Outcome.Code, 0x80040200u);
  EXPECT_EQ(plain.Outcome.ScpiNumber, 0);
  EXPECT_EQ(plain.Outcome.Description, "plain failure");
}

TEST_F(AutomationCore, AGoneMainWindowGives200AndTheStateMemberItsOwnStyle) {
  Node app = createApplication();
  Node seq = child(child(Root(), "TRIGger").Value.asNode(), "SEQuence").Value.asNode();
  ASSERT_TRUE(invoke(seq, "STATe", CallKind::Get).Outcome.Ok());
  frm->Shutdown();
  CallResult state = invoke(seq, "STATe", CallKind::Get);
  EXPECT_EQ(state.Outcome.Code, kDispException);
  EXPECT_EQ(state.Outcome.ScpiNumber, 200);
  EXPECT_EQ(state.Outcome.Description, "Execution error");
  EXPECT_EQ(state.Outcome.Interface, "ISCPI_TRIGger_SEQuence");
  CallResult source = invoke(seq, "SOURce", CallKind::Get);
  EXPECT_EQ(source.Outcome.Code, ResultCodeOf(200));
  // The application object names its ProgID as the source.
  CallResult name = invoke(app, "NAME", CallKind::Get);
  EXPECT_EQ(name.Outcome.Code, ResultCodeOf(200));
  EXPECT_EQ(name.Outcome.Interface, "IK30");
  EXPECT_EQ(name.Outcome.Source, "K30.Application");
  // Ready never fails.
  EXPECT_TRUE(invoke(app, "Ready", CallKind::Get).Outcome.Ok());
}

TEST_F(AutomationCore, ChannelArgumentsAreCheckedWhenTheNodeIsMadeOnly) {
  frm->SetChannelLayout(5);
  frm->SetChannelCount(4);
  ASSERT_EQ(frm->ChannelCount, 4);
  Node root = Root();
  struct Case {
    Variant arg;
    int number;
  };
  const Case cases[] = {
      {Variant(int32_t{0}), 201},
      {Variant(int32_t{5}), 201},
      {Variant(int32_t{-1}), 201},
      {Variant(std::nan("")), 222},
      {Variant(std::numeric_limits<double>::infinity()), 222},
      {Variant(-std::numeric_limits<double>::infinity()), 222},
      {Variant(1e300), 222},
      {Variant("one"), 220},
      {Variant(std::vector<double>{1.0}), 220},
  };
  for (const Case& c : cases) {
    CallResult r = child(root, "INITiate", {c.arg});
    EXPECT_EQ(r.Outcome.ScpiNumber, c.number);
    EXPECT_EQ(r.Outcome.Code, ResultCodeOf(c.number));
    EXPECT_TRUE(r.Value.isEmpty());
  }
  // A double is truncated toward zero through the checked conversion.
  EXPECT_TRUE(child(root, "INITiate", {Variant(4.9)}).Outcome.Ok());

  CallResult four = child(root, "SENSe", {Variant(int32_t{4})});
  ASSERT_TRUE(four.Outcome.Ok());
  EXPECT_EQ(four.Value.asNode()->Index[0], 3);
  CallResult init4 = child(root, "INITiate", {Variant(int32_t{4})});
  ASSERT_TRUE(init4.Outcome.Ok());
  frm->SetChannelCount(1);
  EXPECT_EQ(child(root, "INITiate", {Variant(int32_t{4})}).Outcome.ScpiNumber, 201);
  // The node made at four channels keeps working.
  CallResult put = invoke(init4.Value.asNode(), "CONTinuous", CallKind::Put, {Variant(true)});
  EXPECT_TRUE(put.Outcome.Ok());
  EXPECT_EQ(ScannerModule->TriggerMode, TScannerModule::Continuous);
}

TEST_F(AutomationCore, BooleansReadOneAndAnyNonzeroPutIsTrue) {
  Node init = child(Root(), "INITiate", {Variant(int32_t{1})}).Value.asNode();
  ASSERT_TRUE(invoke(init, "CONTinuous", CallKind::Put, {Variant(int32_t{0})}).Outcome.Ok());
  EXPECT_EQ(ScannerModule->TriggerMode, TScannerModule::Hold);
  ASSERT_TRUE(invoke(init, "CONTinuous", CallKind::Put, {Variant(int32_t{2})}).Outcome.Ok());
  EXPECT_EQ(ScannerModule->TriggerMode, TScannerModule::Continuous);
  CallResult get = invoke(init, "CONTinuous", CallKind::Get);
  ASSERT_EQ(get.Value.kind(), Variant::Kind::Bool);
  EXPECT_TRUE(get.Value.asBool());
  // Two gets of the same child are two objects that see the same state.
  Node a = child(Root(), "OUTPut").Value.asNode();
  Node b = child(Root(), "OUTPut").Value.asNode();
  EXPECT_NE(a.get(), b.get());
  invoke(a, "STATe", CallKind::Put, {Variant(false)});
  EXPECT_FALSE(invoke(b, "STATe", CallKind::Get).Value.asBool());
  EXPECT_TRUE(scanner().GetSignalOff());
  // The application object hands out itself.
  Node app = createApplication();
  EXPECT_EQ(invoke(app, "Application", CallKind::Get).Value.asNode().get(), app.get());
}

TEST_F(AutomationCore, DoubleVectorFromVariantTakesOneRowOrOneColumn) {
  auto numbers = [](int n) {
    std::vector<Variant> v;
    for (int i = 0; i < n; ++i) v.emplace_back(double(i + 1));
    return v;
  };
  EXPECT_EQ(DoubleVectorFromVariant(Variant(std::vector<double>{1, 2})), (std::vector<double>{1, 2}));
  EXPECT_EQ(DoubleVectorFromVariant(Variant(Array2D{1, 3, numbers(3)})), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(DoubleVectorFromVariant(Variant(Array2D{3, 1, numbers(3)})), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(DoubleVectorFromVariant(Variant(Array2D{1, 1, numbers(1)})), (std::vector<double>{1}));
  EXPECT_EQ(DoubleVectorFromVariant(Variant(std::vector<Variant>{Variant(int32_t{3}), Variant("2.5"), Variant(0.5)})),
            (std::vector<double>{3, 2.5, 0.5}));
  EXPECT_TRUE(DoubleVectorFromVariant(Variant(std::vector<Variant>{})).empty());
  auto number = [](const Variant& v) {
    try {
      DoubleVectorFromVariant(v);
    } catch (const EAbort& e) {
      return e.HelpContext;
    }
    return -1;
  };
  EXPECT_EQ(number(Variant(Array2D{2, 2, numbers(4)})), 220);
  EXPECT_EQ(number(Variant(1.5)), 220);
  EXPECT_EQ(number(Variant("1,2")), 220);
  EXPECT_EQ(number(Variant(std::vector<Variant>{Variant("abc")})), 0) << "the conversion's own error";
}

TEST_F(AutomationCore, TheLastLockGoingClosesOnlyAnAutomationStartedProgram) {
  const int base = TAutomationServer::LockCount();
  ASSERT_EQ(base, 0);
  {
    Node app = createApplication();
    Node root = child(app, "SCPI").Value.asNode();
    EXPECT_EQ(TAutomationServer::LockCount(), 2);
  }
  EXPECT_EQ(closes, 0) << "started without the switch, the program stays";

  TAutomationServer::AutomationSwitch = true;
  Node app = createApplication();
  Node sense = child(child(app, "SCPI").Value.asNode(), "SENSe", {Variant(int32_t{1})}).Value.asNode();
  app.reset();
  EXPECT_EQ(closes, 0) << "a node alone keeps the server";
  sense.reset();
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(TAutomationServer::LockCount(), 0);
}

TEST_F(AutomationCore, CheckedConversionsRefuseWhatIsNoInt32) {
  EXPECT_EQ(CheckedInt32(-2.9), -2);
  EXPECT_EQ(CheckedInt32(2147483647.5), 2147483647);
  EXPECT_EQ(RoundedInt32(2.5), 3);
  EXPECT_EQ(RoundedInt32(-2.4), -2);
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), 1e300, -2147483649.0, 2147483648.0}) {
    try {
      CheckedInt32(bad);
      ADD_FAILURE() << bad;
    } catch (const EAbort& e) {
      EXPECT_EQ(e.HelpContext, 222);
      EXPECT_STREQ(e.what(), "Data out of range");
    }
  }
}

}  // namespace
