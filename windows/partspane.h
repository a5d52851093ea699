#pragma once
// The "Síť" window's detail pane: the parts as built of the selected network
// (values for lossy parts, pairs of standard parts, windings, ratings), with
// the winding inputs above it.

#include "design.h"
#include "parts.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;


// The winding the texts describe; bad text throws the message the pane shows.
TWindingOptions WindingFromTexts(const TWindingTexts& texts);

class TPartsPane : public QWidget {
    Q_OBJECT
public:
    explicit TPartsPane(QWidget* parent = nullptr);

    // Shows the parts of one network; none clears the pane.
    void Show(const TNetworkReport* rep, int number, const TLoad& load, double fMHz,
              const TDesignOptions& options);
    // The inputs read and checked; bad text goes to the error path and keeps
    // the last good winding.
    void ApplyInputs();
    const TWindingOptions& Winding() const { return FWinding; }
    TWindingTexts Texts() const;
    // Fills the inputs; a stored text that cannot be wound gives way to none.
    void SetTexts(const TWindingTexts& texts);
    // Called after the inputs changed the winding.
    std::function<void()> OnWindingChanged;
    QString Text() const;

    QLineEdit* edForm;
    QLineEdit* edWire;
    QLineEdit* edPitch;
    QComboBox* cbToroid;
    QPlainTextEdit* mmParts;

private:
    TWindingOptions ReadInputs() const;
    TWindingOptions FWinding;
};

// "1.234 uH", "100 pF"; "—" for no part.
QString ElementValueCs(const TElement& e);
// "330 pF ∥ 22 pF paralelně = 352 pF (+0.12 %)"
QString PairTextCs(const TPartPair& pair);
// One part's line: its current or voltage and rating, and its winding.
QString PartLineCs(bool series, const TElement& e, const TElementParts& p,
                   const TWindingOptions& winding);
// The pane's text of one network, in Czech, one fact a line.
QString PartsTextCs(const TNetworkReport& rep, int number, const TPartsReport& parts,
                    const TDesignOptions& options, const TWindingOptions& winding);
