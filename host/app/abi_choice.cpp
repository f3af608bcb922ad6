#include "app/abi_choice.h"

#include <iostream>

#include "abi/script_abi.h"
#include "transcript/transcript_json.h"

namespace vesk_host {

namespace {

std::optional<AbiKind> kindInUse(const AbiDecision& decision, const ScriptHost& host)
{
    if (decision.kind)
        return decision.kind;
    const ScriptAbi* abi = host.abi();
    return abi ? abi->kind() : std::nullopt;
}

std::string reasonInUse(const AbiDecision& decision, const ScriptHost& host)
{
    if (decision.kind || !host.abi() || !host.abi()->kind())
        return decision.reason;
    return "learned: " + host.abi()->learnedFrom();
}

} // namespace

std::optional<AbiDecision> chooseAbi(const std::string& requested, const std::string& library, const char* who,
                                     bool verbose)
{
    Result<AbiDecision> decided = decideAbi(requested, library);
    if (!decided) {
        std::cerr << who << ": " << decided.error().message << "\n";
        return std::nullopt;
    }
    AbiDecision& decision = *decided;
    if (!decision.warning.empty())
        std::cerr << who << ": warning: " << decision.warning << "\n";
    const bool chosen = requested != "auto" || availableAbis().size() > 1;
    if (decision.kind && (chosen || verbose))
        std::cerr << who << ": " << abiLine(*decision.kind, decision.reason) << "\n";
    return decision;
}

std::string learnedAbiWords(const AbiDecision& decision, const ScriptHost& host, const char* who)
{
    if (decision.kind)
        return {};
    if (const auto kind = kindInUse(decision, host))
        return std::string(who) + ": " + abiLine(*kind, reasonInUse(decision, host)) + "\n";
    return {};
}

void reportLearnedAbi(const AbiDecision& decision, const ScriptHost& host, const char* who)
{
    std::cerr << learnedAbiWords(decision, host, who);
}

std::string abiJsonLine(const AbiDecision& decision, const ScriptHost& host)
{
    const auto kind = kindInUse(decision, host);
    return abiJsonLine(kind ? std::optional<std::string>(abiKindName(*kind)) : std::nullopt,
                       kind ? reasonInUse(decision, host) : host.abiProblem());
}

} // namespace vesk_host
