// The statement parser: words with their particles, binding and dispatch.
#pragma once
#include <string>

namespace kobu {

struct TKobuBase;
class THashNode;

void ExecuteStatementStep(TKobuBase& base, const char*& cursor);
void FlushStatement(TKobuBase& base);
// The end of a statement whose last word named `node`: runs it; words left
// over are an error. `written` is the word as the script wrote it, which a
// command's argument errors name (CHR, 範囲を切り取る); it must outlive the call.
void RunStatementWord(TKobuBase& base, THashNode* node, std::string_view written = {});
void ExecuteWord(TKobuBase& base, THashNode* node, std::string_view written = {});
void BindArguments(TKobuBase& base, THashNode* node);
void DispatchCommand(TKobuBase& base, THashNode* node, std::string_view written = {});
std::string CallWithParentheses(TKobuBase& base, const std::string& name, const char*& cursor,
                                bool push);
void Assign(TKobuBase& base, const std::string& target, const char*& cursor);
void AssignProperty(TKobuBase& base, const std::string& property, const char*& cursor);
bool ResolveReference(TKobuBase& base, const std::string& text, std::string& value);

}  // namespace kobu
