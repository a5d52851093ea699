#include "project.h"

#include "ranges.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <string>

namespace {

const QString FormatName = QStringLiteral("pentarix-project");

const char* ModelName(TLoadModel m) {
    switch (m) {
    case TLoadModel::Reactance:
        return "reactance";
    case TLoadModel::Measured:
        return "measured";
    case TLoadModel::Constant:
        break;
    }
    return "constant";
}

QJsonObject LoadJson(const TLoad& load) {
    return {{QStringLiteral("r"), load.R}, {QStringLiteral("x"), load.X}};
}

QJsonValue OptionalLoadJson(const std::optional<TLoad>& load) {
    return load ? QJsonValue(LoadJson(*load)) : QJsonValue(QJsonValue::Null);
}

QJsonObject LineJson(const TLine& line) {
    QJsonArray points;
    for (const TLossPoint& p : line.Points)
        points.append(QJsonArray{p.FrequencyMHz, p.Db, p.Per100Ft});
    return {{QStringLiteral("name"), QString::fromStdString(line.Name)},
            {QStringLiteral("z0"), line.Z0},
            {QStringLiteral("vf"), line.VF},
            {QStringLiteral("loss_points"), points}};
}

// ---- reading, every value checked where it is read ----

class TReader {
public:
    explicit TReader(const QJsonObject& o, std::string path = {}) : O(o), Path(std::move(path)) {}

    [[noreturn]] void Bad(const char* key) const {
        throw EProjectError(TProjectFault::BadValue, Key(key));
    }
    std::string Key(const char* key) const { return Path.empty() ? key : Path + "." + key; }

    QJsonValue Value(const char* key) const {
        const QJsonValue v = O.value(QLatin1String(key));
        if (v.isUndefined()) Bad(key);
        return v;
    }
    double Number(const char* key, bool (*valid)(double) = nullptr) const {
        const QJsonValue v = Value(key);
        if (!v.isDouble() || !std::isfinite(v.toDouble())) Bad(key);
        const double d = v.toDouble();
        if (valid && !valid(d)) Bad(key);
        return d;
    }
    bool Bool(const char* key) const {
        const QJsonValue v = Value(key);
        if (!v.isBool()) Bad(key);
        return v.toBool();
    }
    QString String(const char* key) const {
        const QJsonValue v = Value(key);
        if (!v.isString()) Bad(key);
        return v.toString();
    }
    TReader Object(const char* key) const {
        const QJsonValue v = Value(key);
        if (!v.isObject()) Bad(key);
        return TReader(v.toObject(), Key(key));
    }
    bool IsNull(const char* key) const { return Value(key).isNull(); }
    bool Has(const char* key) const { return O.contains(QLatin1String(key)); }
    QJsonArray Array(const char* key) const {
        const QJsonValue v = Value(key);
        if (!v.isArray()) Bad(key);
        return v.toArray();
    }
    TLoad Load(bool (*validR)(double) = ValidLoadR) const {
        return {Number("r", validR), Number("x", ValidLoadX)};
    }

private:
    QJsonObject O;
    std::string Path;
};

bool AnyFinite(double) {
    return true;
}

TLine ReadLine(const TReader& r) {
    const std::string name = r.String("name").toStdString();
    if (!name.empty()) {
        // A catalogue line by its name: its figures are the catalogue's own.
        if (const TLine* line = FindLine(name)) return *line;
        r.Bad("name");
    }
    std::vector<TLossPoint> points;
    const QJsonArray list = r.Array("loss_points");
    for (const QJsonValue& v : list) {
        const QJsonArray p = v.toArray();
        if (p.size() != 3 || !p[0].isDouble() || !p[1].isDouble() || !p[2].isBool())
            r.Bad("loss_points");
        points.push_back({p[0].toDouble(), p[1].toDouble(), p[2].toBool()});
    }
    try {
        return LineOf(r.Number("z0"), r.Number("vf"), points);
    } catch (const ELineError&) {
        r.Bad("loss_points");
    }
}

TTouchstone ReadMeasurement(const TReader& r) {
    TTouchstone t;
    t.Reference = r.Number("reference", ValidZ0);
    t.Ports = int(r.Number("ports"));
    if (t.Ports != 1 && t.Ports != 2) r.Bad("ports");
    const QJsonArray points = r.Array("points");
    t.Points.reserve(size_t(points.size()));
    double last = -1.0;
    for (const QJsonValue& v : points) {
        const QJsonArray p = v.toArray();
        // [f, r, x], or [f] for an open circuit.
        if ((p.size() != 3 && p.size() != 1) || !p[0].isDouble()) r.Bad("points");
        TTouchstonePoint point{p[0].toDouble(), 0.0, 0.0, p.size() == 1};
        if (!point.Open) {
            if (!p[1].isDouble() || !p[2].isDouble()) r.Bad("points");
            point.R = p[1].toDouble();
            point.X = p[2].toDouble();
        }
        // As the reader leaves them: frequencies rising from 0, every value finite.
        if (!(point.FrequencyMHz > last) || !std::isfinite(point.FrequencyMHz) ||
            !std::isfinite(point.R) || !std::isfinite(point.X))
            r.Bad("points");
        last = point.FrequencyMHz;
        t.Points.push_back(point);
    }
    return t;
}

QJsonObject MeasurementJson(const QString& name, const TTouchstone& measured) {
    QJsonArray points;
    for (const TTouchstonePoint& p : measured.Points)
        points.append(p.Open ? QJsonArray{p.FrequencyMHz} : QJsonArray{p.FrequencyMHz, p.R, p.X});
    return {{QStringLiteral("name"), name},
            {QStringLiteral("reference"), measured.Reference},
            {QStringLiteral("ports"), measured.Ports},
            {QStringLiteral("points"), points}};
}

} // namespace

QByteArray ProjectJson(const TDesignState& s) {
    QJsonObject o;
    o[QStringLiteral("format")] = FormatName;
    o[QStringLiteral("version")] = ProjectFormatVersion;
    o[QStringLiteral("frequency_text")] = s.FrequencyText;
    o[QStringLiteral("swr_text")] = s.SwrText;
    if (s.Step.Load) {
        QJsonObject step = LoadJson(*s.Step.Load);
        step[QStringLiteral("frequency_mhz")] = s.Step.FrequencyMHz;
        step[QStringLiteral("l_text")] = s.Step.L;
        step[QStringLiteral("c_text")] = s.Step.C;
        step[QStringLiteral("lc")] = s.Step.LC;
        step[QStringLiteral("cl")] = s.Step.CL;
        step[QStringLiteral("frequency_text")] = s.Step.FrequencyText;
        step[QStringLiteral("antenna")] = OptionalLoadJson(s.Step.Antenna);
        o[QStringLiteral("step")] = step;
    } else {
        o[QStringLiteral("step")] = QJsonValue::Null;
    }
    if (s.Measured) {
        QJsonObject m = MeasurementJson(s.MeasurementName, *s.Measured);
        m[QStringLiteral("move_to_tuner")] = s.MoveTrace;
        o[QStringLiteral("measurement")] = m;
    } else {
        o[QStringLiteral("measurement")] = QJsonValue::Null;
    }
    // Only where there are any: a file of one measurement reads as it did.
    if (!s.Others.empty()) {
        QJsonArray others;
        for (const TOtherMeasurement& other : s.Others)
            others.append(MeasurementJson(other.Name, other.Measured));
        o[QStringLiteral("other_measurements")] = others;
    }
    o[QStringLiteral("feed")] = QJsonObject{
        {QStringLiteral("line"), LineJson(s.Feed.Line)},
        {QStringLiteral("length_m"), s.Feed.LengthM},
        {QStringLiteral("point"), s.Feed.Point == TPointAt::Shack ? "shack" : "antenna"},
        {QStringLiteral("tuner"), s.Feed.Tuner == TTunerAt::Antenna ? "antenna" : "shack"},
        {QStringLiteral("in_use"), s.LineInUse}};
    o[QStringLiteral("options")] =
        QJsonObject{{QStringLiteral("z0"), s.Options.Z0},
                    {QStringLiteral("series"), SeriesName(s.Options.Series)},
                    {QStringLiteral("q_coil"), s.Options.Q.Coil},
                    {QStringLiteral("q_capacitor"), s.Options.Q.Capacitor},
                    {QStringLiteral("power_w"), s.Options.PowerW}};
    o[QStringLiteral("winding")] = QJsonObject{{QStringLiteral("form"), s.WindingTexts.Form},
                                               {QStringLiteral("wire"), s.WindingTexts.Wire},
                                               {QStringLiteral("pitch"), s.WindingTexts.Pitch},
                                               {QStringLiteral("core"), s.WindingTexts.Core}};
    o[QStringLiteral("chosen_network")] = s.ChosenNetwork;
    o[QStringLiteral("load_model")] = ModelName(s.Model);
    o[QStringLiteral("span")] = s.Span;
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

TDesignState ReadProject(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) throw EProjectError(TProjectFault::NotJson);
    if (!doc.isObject() || doc.object().value(QStringLiteral("format")).toString() != FormatName)
        throw EProjectError(TProjectFault::NotAProject);
    const TReader r(doc.object());
    const double version = r.Number("version");
    if (version > ProjectFormatVersion)
        throw EProjectError(TProjectFault::NewerVersion, {}, int(std::min(version, 1e9)));
    if (version != ProjectFormatVersion) r.Bad("version");

    TDesignState s;
    s.FrequencyText = r.String("frequency_text");
    s.SwrText = r.String("swr_text");
    if (!r.IsNull("step")) {
        const TReader step = r.Object("step");
        s.Step.Load = step.Load();
        s.Step.FrequencyMHz = step.Number("frequency_mhz", ValidFrequencyMHz);
        s.Step.L = step.String("l_text");
        s.Step.C = step.String("c_text");
        s.Step.LC = step.Bool("lc");
        s.Step.CL = step.Bool("cl");
        s.Step.FrequencyText = step.String("frequency_text");
        if (!step.IsNull("antenna")) s.Step.Antenna = step.Object("antenna").Load();
    }
    if (!r.IsNull("measurement")) {
        const TReader m = r.Object("measurement");
        s.Measured = ReadMeasurement(m);
        s.MeasurementName = m.String("name");
        s.MoveTrace = m.Bool("move_to_tuner");
    }
    if (r.Has("other_measurements")) {
        const QJsonArray others = r.Array("other_measurements");
        if (others.size() + (s.Measured ? 1 : 0) > MaxMeasurements) r.Bad("other_measurements");
        for (qsizetype i = 0; i < others.size(); ++i) {
            const std::string key = "other_measurements[" + std::to_string(i) + "]";
            if (!others[i].isObject()) r.Bad(key.c_str());
            const TReader m(others[i].toObject(), r.Key(key.c_str()));
            s.Others.push_back({m.String("name"), ReadMeasurement(m)});
        }
    }
    const TReader feed = r.Object("feed");
    s.Feed.Line = ReadLine(feed.Object("line"));
    s.Feed.LengthM = feed.Number("length_m", ValidLineLength);
    const QString point = feed.String("point"), tuner = feed.String("tuner");
    if (point != QLatin1String("antenna") && point != QLatin1String("shack")) feed.Bad("point");
    if (tuner != QLatin1String("antenna") && tuner != QLatin1String("shack")) feed.Bad("tuner");
    s.Feed.Point = point == QLatin1String("shack") ? TPointAt::Shack : TPointAt::Antenna;
    s.Feed.Tuner = tuner == QLatin1String("antenna") ? TTunerAt::Antenna : TTunerAt::Shack;
    s.LineInUse = feed.Bool("in_use");

    const TReader options = r.Object("options");
    s.Options.Z0 = options.Number("z0", ValidZ0);
    s.Options.Q.Coil = options.Number("q_coil", ValidQ);
    s.Options.Q.Capacitor = options.Number("q_capacitor", ValidQ);
    s.Options.PowerW = options.Number("power_w", ValidPowerW);
    const QString series = options.String("series");
    bool known = false;
    for (const TESeries e :
         {TESeries::None, TESeries::E6, TESeries::E12, TESeries::E24, TESeries::E48, TESeries::E96})
        if (series == QLatin1String(SeriesName(e))) {
            s.Options.Series = e;
            known = true;
        }
    if (!known) options.Bad("series");

    const TReader winding = r.Object("winding");
    s.WindingTexts = {winding.String("form"), winding.String("wire"), winding.String("pitch"),
                      winding.String("core")};
    const double chosen = r.Number("chosen_network", AnyFinite);
    if (chosen != std::floor(chosen) || chosen < -1 || chosen > 16) r.Bad("chosen_network");
    s.ChosenNetwork = int(chosen);
    const QString model = r.String("load_model");
    bool modelKnown = false;
    for (const TLoadModel m : {TLoadModel::Constant, TLoadModel::Reactance, TLoadModel::Measured})
        if (model == QLatin1String(ModelName(m))) {
            s.Model = m;
            modelKnown = true;
        }
    if (!modelKnown || (s.Model == TLoadModel::Measured && !s.Measured)) r.Bad("load_model");
    s.Span = r.Number("span", ValidSpan);
    return s;
}

TDesignState ReadProjectFile(const QString& path) {
    QFile file(path);
    // A project holds at most a few measurements' points; anything far larger is no project.
    constexpr qint64 MaxProjectBytes = qint64(1) << 30;
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxProjectBytes)
        throw EProjectError(TProjectFault::Unreadable);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) throw EProjectError(TProjectFault::Unreadable);
    return ReadProject(bytes);
}
