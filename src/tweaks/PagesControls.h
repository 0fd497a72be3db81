#pragma once

#include "TweakEngine.h"

#include <QList>

namespace tolvex::tweaks {

class TweakPage;

// The controls of several pages as one set, for loaders and restores that walk rows across
// pages.
class PagesControls final : public TweakControls
{
public:
    explicit PagesControls(QList<TweakPage *> pages) : m_pages(std::move(pages)) {}

    bool has(const QString &c) const override { return page(c) != nullptr; }
    bool checked(const QString &c) const override;
    void setChecked(const QString &c, bool on) override;
    QString text(const QString &c) const override;
    void setText(const QString &c, const QString &t) override;
    bool enabled(const QString &c) const override;
    void setEnabled(const QString &c, bool on) override;

private:
    TweakPage *page(const QString &control) const;
    QList<TweakPage *> m_pages;
};

} // namespace tolvex::tweaks
