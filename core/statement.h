// The statement parser: words with their particles, binding and dispatch.
#pragma once
#include <string>

namespace kobu {

struct TKobuBase;
class THashNode;

void ExecuteStatementStep(TKobuBase& base, const char*& cursor);
void FlushStatement(TKobuBase& base);
// The end of a statement whose last word named `node`: runs it; words left
// over are an error.
void RunStatementWord(TKobuBase& base, THashNode* node);
void ExecuteWord(TKobuBase& base, THashNode* node);
void BindArguments(TKobuBase& base, THashNode* node);
void DispatchCommand(TKobuBase& base, THashNode* node);
std::string CallWithParentheses(TKobuBase& base, const std::string& name, const char*& cursor,
                                bool push);
void Assign(TKobuBase& base, const std::string& target, const char*& cursor);
void AssignProperty(TKobuBase& base, const std::string& property, const char*& cursor);
bool ResolveReference(TKobuBase& base, const std::string& text, std::string& value);

}  // namespace kobu
