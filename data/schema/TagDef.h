// One index tag of the schema, kept alone in its own index file <NAME>.NTX.
//
// Two forms of each expression are kept. keyExpression and condition are the
// texts the schema states ("UPPER( FIELD -> cliente )", "!EMPTY( FIELD ->
// numero )"); keyText and conditionText are what the tag header stores: the
// key without any "FIELD -> ", and the condition made to exclude deleted
// records ("!EMPTY( numero ) .AND. !DELETED()", or "!DELETED()" alone for a
// tag without a condition of its own). The evaluable forms belong to the
// expression evaluator, which compiles these texts.
#pragma once

#include <string>

namespace drav::data {

struct TagDef {
    std::string name;           // tag name, also the index file's base name
    std::string table;          // the table it indexes
    std::string keyExpression;  // as stated: "UPPER( FIELD -> cliente )"
    std::string condition;      // as stated: "!EMPTY( FIELD -> numero )" or "!DELETED()"
    std::string keyText;        // stored in the tag header: "UPPER( cliente )"
    std::string conditionText;  // stored in the tag header: "... .AND. !DELETED()"
    char keyType = 'C';         // 'C', 'N', 'D' or 'L'
    int keyLength = 0;

    std::string fileName() const { return name + ".NTX"; }
};

}  // namespace drav::data
