#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "model/FContainer.h"

namespace {

std::vector<std::string> g_log;

class Leaf : public TFObject {
 public:
  Leaf(TFObject* owner, std::string name) : TFObject(owner), name_(std::move(name)) {}
  ~Leaf() override { g_log.push_back(name_); }

 private:
  std::string name_;
};

class Box : public TFContainer {
 public:
  Box(TFObject* owner, std::string name) : TFContainer(owner), name_(std::move(name)) {}
  // Like every container of the program, empties itself before its own destructor body.
  ~Box() override {
    Clear();
    g_log.push_back(name_);
  }
  std::vector<TFObject*> Children() const { return Items; }
  void AddRaw(TFObject* o) { Items.push_back(o); }

 private:
  std::string name_;
};

class Throwing : public TFObject {
 public:
  explicit Throwing(TFObject* owner) : TFObject(owner) { throw std::runtime_error("half built"); }
};

class ObjectTree : public ::testing::Test {
 protected:
  void SetUp() override { g_log.clear(); }
};

TEST_F(ObjectTree, NullOrPlainOwnerRegistersNowhere) {
  Leaf plainOwner(nullptr, "owner");
  auto* a = new Leaf(nullptr, "a");
  auto* b = new Leaf(&plainOwner, "b");
  EXPECT_EQ(b->GetOwner(), &plainOwner);
  delete a;
  delete b;
  EXPECT_EQ(g_log, (std::vector<std::string>{"a", "b"}));
}

TEST_F(ObjectTree, ChildrenInConstructionOrderAndDeletingOneKeepsTheOthers) {
  Box box(nullptr, "box");
  auto* a = new Leaf(&box, "a");
  auto* b = new Leaf(&box, "b");
  auto* c = new Leaf(&box, "c");
  EXPECT_EQ(box.Children(), (std::vector<TFObject*>{a, b, c}));
  delete b;
  EXPECT_EQ(box.Children(), (std::vector<TFObject*>{a, c}));
  EXPECT_EQ(box.GetCount(), 2);
  EXPECT_EQ(box.GetItem(1), c);
}

TEST_F(ObjectTree, ClearDeletesTheSubtreeDeepestFirstLastToFirst) {
  Box root(nullptr, "root");
  auto* x = new Box(&root, "x");
  new Leaf(x, "x1");
  new Leaf(x, "x2");
  auto* y = new Box(&root, "y");
  new Leaf(y, "y1");
  new Leaf(&root, "z");
  root.Clear();
  EXPECT_EQ(root.GetCount(), 0);
  EXPECT_EQ(g_log, (std::vector<std::string>{"z", "y1", "y", "x2", "x1", "x"}));
}

TEST_F(ObjectTree, DestroyingANestedContainerEmptiesItThenLeavesItsOwner) {
  Box root(nullptr, "root");
  auto* a = new Leaf(&root, "a");
  auto* inner = new Box(&root, "inner");
  new Leaf(inner, "i1");
  auto* c = new Leaf(&root, "c");
  delete inner;
  EXPECT_EQ(g_log, (std::vector<std::string>{"i1", "inner"}));
  EXPECT_EQ(root.Children(), (std::vector<TFObject*>{a, c}));
}

TEST_F(ObjectTree, RemoveTakesTheLastEqualEntryAndIgnoresStrangers) {
  Box box(nullptr, "box");
  Leaf x(nullptr, "x");
  Leaf y(nullptr, "y");
  Leaf stranger(nullptr, "s");
  box.AddRaw(&x);
  box.AddRaw(&y);
  box.AddRaw(&x);
  box.Remove(&stranger);
  EXPECT_EQ(box.Children(), (std::vector<TFObject*>{&x, &y, &x}));
  // Searching from the back: emptying a long list from its end is linear.
  box.Remove(&x);
  EXPECT_EQ(box.Children(), (std::vector<TFObject*>{&x, &y}));
  box.Remove(&x);
  box.Remove(&y);
  EXPECT_EQ(box.GetCount(), 0);
}

TEST_F(ObjectTree, AConstructorThatThrowsLeavesNoEntry) {
  Box box(nullptr, "box");
  auto* a = new Leaf(&box, "a");
  EXPECT_THROW(new Throwing(&box), std::runtime_error);
  EXPECT_EQ(box.Children(), (std::vector<TFObject*>{a}));
}

TEST_F(ObjectTree, ClearOfManyChildrenLeavesAnEmptyList) {
  Box box(nullptr, "box");
  for (int i = 0; i < 16001; ++i) new TFContainer(&box);
  EXPECT_EQ(box.GetCount(), 16001);
  box.Clear();
  EXPECT_EQ(box.GetCount(), 0);
  new Leaf(&box, "after");
  EXPECT_EQ(box.GetCount(), 1);
}

}  // namespace
