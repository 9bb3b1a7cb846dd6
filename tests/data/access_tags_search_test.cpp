// Typed searches of a list on the clients' tag: the incremental search with
// its one search text, the one-letter jump and the jump by a field's first
// letter.
#include "data/access/KeySearch.h"
#include "tests/data/access_tags_fixture.h"
#include "util/Cp1252.h"

#include <gtest/gtest.h>

namespace drav::data {
namespace {

using namespace testaccess;

class SearchTest : public TagsTest {
protected:
    void SetUp() override {
        TagsTest::SetUp();
        keySearch(nullptr, 0);
        makeSchemaTable("CLIENTI");
        Table& t = openWithTags("CLIENTI");
        // In the tag: BIANCHI, ROSSI MARIO, ROSSINI, ROTA, VERDI.
        for (const char* name : {"Verdi", "rota", "Rossi Mario", "Bianchi", "Rossini", "Rosa"}) {
            dbApp();
            t.put("CLIENTE", std::string(name));
            t.commit();
            dbUnlock();
        }
        t.goTo(6);
        dbDel();  // Rosa: gone from every search
        t.goTop();
    }
    void TearDown() override {
        keySearch(nullptr, 0);
        TagsTest::TearDown();
    }
    std::string cliente() {
        std::string s = current().text("CLIENTE");
        return s.substr(0, s.find_last_not_of(' ') + 1);
    }
    RecordingList list;
};

TEST_F(SearchTest, TypedLettersGatherIntoOneSearchText) {
    struct Step {
        int key;
        const char* text;     // the search text afterwards
        const char* cliente;  // the record reached
        bool redrawn;
    } steps[] = {
        {'r', "R", "Rossi Mario", true},
        {'o', "RO", "Rossi Mario", false},
        {'x', "RO", "Rossi Mario", false},  // nothing begins with ROX: all stays
        {'t', "ROT", "rota", true},
        {kKeyBackspace, "RO", "Rossi Mario", true},
        {kKeyBackspace, "R", "Rossi Mario", false},
        {kKeyBackspace, "", "Bianchi", true},  // the text alone: the first entry
        {kKeyBackspace, "", "Bianchi", false},
        {27, "", "Bianchi", false},   // Esc is no letter
        {'s', "", "Bianchi", false},  // nothing begins with S
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string("key ") + std::to_string(s.key));
        int redraws = list.redraws;
        keySearch(&list, s.key);
        EXPECT_EQ(keySearchText(), s.text);
        EXPECT_EQ(cliente(), s.cliente);
        EXPECT_EQ(list.redraws > redraws, s.redrawn);
    }
}

TEST_F(SearchTest, MovingTheListStartsANewSearch) {
    Table& t = current();
    keySearch(&list, 'r');
    keySearch(&list, 'o');
    ASSERT_EQ(keySearchText(), "RO");

    // A navigation key forgets the text.
    t.skip();
    keySearch(nullptr, 0);
    EXPECT_EQ(keySearchText(), "");

    // So does a list that has moved since the search ended.
    keySearch(&list, 'r');
    keySearch(&list, 'o');
    t.skip();
    keySearch(&list, 'v');
    EXPECT_EQ(keySearchText(), "V");
    EXPECT_EQ(cliente(), "Verdi");

    // A prefix limits the search to the keys that begin with it.
    t.goTop();
    keySearch(nullptr, 0);
    keySearch(&list, 't', "RO");
    EXPECT_EQ(cliente(), "rota");
    EXPECT_EQ(keySearchText(), "T");
}

TEST_F(SearchTest, OneLetterJumpsStepThroughTheKeysWithThatLetter) {
    keySeek(list, 'r');
    EXPECT_EQ(cliente(), "Rossi Mario");
    EXPECT_EQ(list.firstVisible, 1);
    // The next key has the letter too: the list steps down to it.
    keySeek(list, 'r');
    EXPECT_EQ(list.downs, 1);
    EXPECT_EQ(cliente(), "Rossini");
    keySeek(list, 'r');
    EXPECT_EQ(cliente(), "rota");
    // The last key with the letter: back to the first one.
    keySeek(list, 'r');
    EXPECT_EQ(cliente(), "Rossi Mario");
    // No key with the letter: the list stays.
    int redraws = list.redraws;
    keySeek(list, 'z');
    EXPECT_EQ(cliente(), "Rossi Mario");
    EXPECT_EQ(list.redraws, redraws);
}

TEST_F(SearchTest, LocateFindsTheNextRecordByItsFieldsFirstLetter) {
    // In the list's order from the record after the current one, then from
    // the top; the letter of the field in capitals.
    struct Step {
        int key;
        const char* cliente;
    } steps[] = {
        {'r', "Rossi Mario"}, {'R', "Rossini"}, {'r', "rota"},
        {'r', "Rossi Mario"}, {'b', "Bianchi"}, {'q', "Bianchi"},
    };
    for (const Step& s : steps) {
        keyLocate(list, s.key, "cliente");
        EXPECT_EQ(cliente(), s.cliente) << char(s.key);
    }
    EXPECT_THROW(keyLocate(list, 'a', "manca("), Abandoned);
}

// A client deleted where the tag was not open keeps its key: lists and
// searches pass over it all the same.
TEST_F(SearchTest, AKeyLeftBehindByADeletedRecordIsPassedOver) {
    Table& list = current();
    dbOpen(true, tablePath("CLIENTI"), "SENZATAG");
    current().goTo(3);  // Rossi Mario
    dbDel();
    select(list.slot());
    EXPECT_EQ(walk(), (std::vector<uint32_t>{4, 5, 2, 1}));
    EXPECT_EQ(walkBack(), (std::vector<uint32_t>{4, 5, 2, 1}));
    keySearch(&this->list, 'r');
    EXPECT_EQ(cliente(), "Rossini");
    EXPECT_EQ(keySearchText(), "R");
    EXPECT_TRUE(dbSeek(std::string("ROSSI")));
    EXPECT_EQ(cliente(), "Rossini");
    EXPECT_FALSE(dbSeek(std::string("ROSSI M")));
    EXPECT_TRUE(list.eof());
}

TEST(KeyCapitals, OnlyUnaccentedLettersChange) {
    EXPECT_EQ(keyCapitals(cp("rossi è 12 àz")), cp("ROSSI è 12 àZ"));
}

}  // namespace
}  // namespace drav::data
