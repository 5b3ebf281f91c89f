#pragma once

#include <string_view>

#include "crypto/SecureString.h"
#include "generator/QualityAnalyser.h"
#include "generator/QualityMeter.h"
#include "uilib/PasswordIndicator.h"

namespace CryptoServiceProvider::PasswordMeter {

// The horizontal strength bar under a password field: red, yellow and green segments of
// 20 percent each, filled up to the password's score.
class QualityBar : public MFCServiceProvider::PasswordIndicator {
    Q_OBJECT
public:
    explicit QualityBar(QWidget* parent = nullptr);

    // upper must be above lower; the current score is shown again within the new bounds.
    void SetBounds(int lower, int upper);
    // Shows a score in bits; redraws when the position changes.
    void SetScore(int score);
    void UpdateFromPassword(const StringServiceProvider::SecureString& password) override;

    // Percent of the bar that is filled.
    int GetPosition() const noexcept { return m_meter.GetPosition(); }
    int GetScore() const noexcept { return m_score; }
    // The geometry for the current width.
    const QualityMeter& GetMeter() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Rebuild(int lower, int upper) const;

    // Follows the width; a hidden widget is resized without a resize event.
    mutable QualityMeter m_meter;
    QualityAnalyser m_analyser;
    int m_score = 0;
};

} // namespace CryptoServiceProvider::PasswordMeter
