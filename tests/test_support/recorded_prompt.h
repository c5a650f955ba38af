// A scripted prompt installed for the life of the object: it records every text shown and
// answers questions from its script (an exhausted script answers No or Cancel).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/prompt.h"

namespace tessaly::test {

class RecordedPrompt {
 public:
  RecordedPrompt() : m_scope(Install()) {}
  ScriptedPrompt* operator->() { return m_prompt; }
  std::vector<std::string> Texts() const { return m_prompt->Texts(); }

 private:
  std::unique_ptr<UserPrompt> Install() {
    auto prompt = std::make_unique<ScriptedPrompt>();
    m_prompt = prompt.get();
    return prompt;
  }

  ScriptedPrompt* m_prompt = nullptr;  // declared first: Install() sets it
  ScopedPrompt m_scope;
};

}  // namespace tessaly::test
