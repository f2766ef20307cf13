#include "ticket_validation.h"

#include <unordered_set>

#include "schema_writer.h"
#include "ticket_schema.h"

namespace {

constexpr std::size_t kMaxMessages = 20;
constexpr std::size_t kMaxQuoted = 40;  // characters of a ticket's text quoted in a message

std::string Quoted(std::string_view text) {
  if (text.size() > kMaxQuoted) return "'" + std::string(text.substr(0, kMaxQuoted)) + "...'";
  return "'" + std::string(text) + "'";
}

bool HasScoredProperty(xmlNode* option, const QualifiedName& name) {
  for (xmlNode* s = option->children; s; s = s->next)
    if (IsFramework(s, "ScoredProperty") && NameOf(s) == name) return true;
  return false;
}

class Validator {
 public:
  Validator(xmlDoc* doc, const PrinterDescription& description)
      : doc_(doc), description_(description), writer_(doc, description) {}

  std::vector<std::string> Run() {
    ForEachItem(doc_, E_PRINTTICKET_FORMAT, "ticket", [&](xmlNode* n, const ItemKey& key) {
      if (key.kind == ItemKind::kFeature) CheckFeature(n, key.name);
      if (key.kind == ItemKind::kParameterInit) {
        initialised_.insert(key.name);
        CheckParameter(n, key.name);
      }
    });
    CompleteReferences(writer_.Root());
    if (dropped_ > 0) messages_.push_back("and " + std::to_string(dropped_) + " more changes");
    return std::move(messages_);
  }

 private:
  void Change(std::string message) {
    if (messages_.size() < kMaxMessages) {
      messages_.push_back(std::move(message));
    } else {
      ++dropped_;
    }
  }

  std::string Text(const QualifiedName& name) { return writer_.Namespaces().Text(name); }

  std::string Describe(const OptionDescription& option) {
    if (option.name) return Text(*option.name);
    std::string text;
    for (const ScoredValueDescription& s : option.scored)
      if (s.integer) text += (text.empty() ? "" : ", ") + Text(s.name) + " " + std::to_string(*s.integer);
    return "the option with " + text;
  }

  void CheckFeature(xmlNode* feature, const QualifiedName& name) {
    const FeatureDescription* described = description_.Feature(name);
    if (!described || !described->validate) return;
    xmlNode* next = nullptr;
    for (xmlNode* option = feature->children; option; option = next) {
      next = option->next;
      if (!IsFramework(option, "Option")) continue;
      if (const OptionDescription* offered = MatchOption(option, *described)) {
        Complete(option, *offered);
        continue;
      }
      const auto written = Attribute(option, "name");
      Change(Text(name) + ": " + (written ? "the option " + Quoted(*written) : std::string("an unnamed option")) +
             " is not offered; " + Describe(described->Default()) + " is used");
      xmlReplaceNode(option, writer_.Option(nullptr, described->Default()));
      xmlFreeNode(option);
    }
  }

  void Complete(xmlNode* option, const OptionDescription& offered) {
    for (const ScoredValueDescription& s : offered.scored)
      if (s.integer && !HasScoredProperty(option, s.name)) writer_.ScoredInteger(option, s.name, *s.integer);
  }

  void CheckParameter(xmlNode* init, const QualifiedName& name) {
    const ParameterDescription* described = description_.Parameter(name);
    if (!described) return;
    const xmlNode* value = ChildElement(init, kPrintSchemaFrameworkNamespace, "Value");
    const std::string text = value ? TextOf(value) : "";
    const auto number = ParseInt32(text);
    if (number && *number >= described->min && *number <= described->max) return;
    Change(Text(name) + ": the value " + Quoted(text) + " is not an integer from " + std::to_string(described->min) +
           " to " + std::to_string(described->max) + "; the default " + std::to_string(described->default_value) +
           " is used");
    while (init->children) {
      xmlNode* child = init->children;
      xmlUnlinkNode(child);
      xmlFreeNode(child);
    }
    writer_.IntegerValue(init, described->default_value);
  }

  // Depth is bounded by the parser's limit.
  void CompleteReferences(xmlNode* node) {
    for (xmlNode* n = node->children; n; n = n->next) {
      if (n->type != XML_ELEMENT_NODE) continue;
      if (IsFramework(n, "ParameterRef")) {
        const auto name = NameOf(n);
        const ParameterDescription* described = name ? description_.Parameter(*name) : nullptr;
        if (described && initialised_.insert(*name).second) {
          writer_.IntegerValue(writer_.Element(writer_.Root(), "ParameterInit", name ? &*name : nullptr),
                               described->default_value);
          Change(Text(*name) + ": referred to without a value; the default " +
                 std::to_string(described->default_value) + " is used");
        }
      }
      CompleteReferences(n);
    }
  }

  xmlDoc* doc_;
  const PrinterDescription& description_;
  SchemaWriter writer_;
  std::unordered_set<QualifiedName, QualifiedNameHash> initialised_;
  std::vector<std::string> messages_;
  std::size_t dropped_ = 0;
};

}  // namespace

std::vector<std::string> ValidateTicket(xmlDoc* ticket, const PrinterDescription& description) {
  return Validator(ticket, description).Run();
}
