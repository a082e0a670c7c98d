// The tests' own forms and layout roots: what a layout may name in them.
#pragma once

#include <span>
#include <vector>

#include "framework/Forms.h"

// TBase (a form unless said otherwise) with the published fields and handlers
// that TSelf lists in a static Published(), as a designed form lists them:
//
//   class TDropForm : public TPublishing<TDropForm> {
//   public:
//       static std::vector<TPublishedMember> Published() {
//           return {PublishedField<&TDropForm::DropDst1>("DropDst1"), ...};
//       }
//   };
template <class TSelf, class TBase = TForm>
class TPublishing : public TBase {
public:
    using TBase::TBase;

protected:
    std::span<const TPublishedMember> PublishedMembers() const override {
        static const std::vector<TPublishedMember> members = TSelf::Published();
        return members;
    }
};
