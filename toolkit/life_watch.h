// A control's owner may free the control from inside the control's own callback
// (a Dismiss that deletes its dialog, a pick that rebuilds its panel). The control
// keeps an HwLifeToken; the code that calls out keeps an HwLifeWatch on the token
// across the call and touches nothing of the control when the watch says it went.
#pragma once

class HwLifeToken {
 public:
  HwLifeToken() = default;
  HwLifeToken(const HwLifeToken&) {}
  HwLifeToken& operator=(const HwLifeToken&) { return *this; }
  ~HwLifeToken() {
    if (flag_) *flag_ = true;
  }

 private:
  friend class HwLifeWatch;
  bool* flag_ = nullptr;
};

class HwLifeWatch {
 public:
  explicit HwLifeWatch(HwLifeToken& token) : token_(&token), outer_(token.flag_) { token.flag_ = &gone_; }
  ~HwLifeWatch() {
    if (!gone_)
      token_->flag_ = outer_;
    else if (outer_)
      *outer_ = true;  // an enclosing call-out of the same control learns it too
  }
  HwLifeWatch(const HwLifeWatch&) = delete;
  HwLifeWatch& operator=(const HwLifeWatch&) = delete;

  bool gone() const { return gone_; }

 private:
  HwLifeToken* token_;
  bool* outer_;
  bool gone_ = false;
};
