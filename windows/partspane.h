#pragma once
// The "Síť" window's detail pane: the parts as built of the selected network
// (values for lossy parts, pairs of standard parts, windings, ratings), with
// the winding inputs above it.

#include "design.h"
#include "parts.h"

#include <QWidget>
#include <functional>
#include <optional>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

// The winding the texts describe; bad text throws the message the pane shows.
// A form or a wire not yet typed is no air coil, not an error.
TWindingOptions WindingFromTexts(const TWindingTexts& texts);

enum class TWindingField { Form, Wire, Pitch };

class TPartsPane : public QWidget {
    Q_OBJECT
public:
    explicit TPartsPane(QWidget* parent = nullptr);

    // Shows the parts of one network; none clears the pane.
    void Show(const TNetworkReport* rep, int number, const TLoad& load, double fMHz,
              const TDesignOptions& options);
    // The inputs read after the user left `left` (or chose a toroid): what is
    // typed is kept and remembered; the left field's bad text, or a fault of
    // the form it takes part in, goes to the error path once.
    void ApplyInputs(std::optional<TWindingField> left = std::nullopt);
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

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
