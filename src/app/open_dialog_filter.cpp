#include "open_dialog_filter.h"

namespace vidmorph {

namespace {

// The patterns of one pair, blanks around them removed.
QStringList Patterns(const QString& APatterns) {
    QStringList patterns;
    for (const QString& pattern : APatterns.split(';'))
        if (!pattern.trimmed().isEmpty()) patterns << pattern.trimmed();
    return patterns;
}

}  // namespace

QString OpenDialogFilter() {
    return QStringLiteral(
        "All Supported Files|*.avi;*.mpeg;*.mpg;*.mpa;*.m1v;*.mv2;*.wma;*.wmv;*.asf;*.asx;*.mov; "
        "*.qt;*.3gp;*.3g2;*.mp3;*.mp2;*.ogg;*.aac;*.mp4;*.m4a;*.rm;*.rmvb;*.ram;*.ra;*.vob; "
        "*.dat;*.cda;*.dv; *.dif;*.wav; *.au; *.aiff;*.mjpg; *.mjpeg;*.ac3; *.gif; *.swf; *.flv|"
        "3GPP Files (*.3gp)|*.3gp|3GPP2 Files (*.3g2)|*.3g2|AAC Files (*.aac)|*.aac|AC3 Files (*.ac3)|*.ac3|"
        "Audio CD Files (*.cda)|*.cda|AVI Files (*.avi)|*.avi|DV Video Files (*.dv, *.dif)|*.dv;*.dif|"
        "DVD VOB Files (*.vob)|*.vob|GIF Animated Files (*.gif)|*.gif|"
        "Macromedia Flash Files (*.flv, *.swf)|*.flv; *.swf|Monkey Audio Files (*.ape, *.cue)|*.ape;*.cue|"
        "MJpeg Video Files (*.mjpg, *.mjpeg)|*.mjpg; *.mjpeg|MP2 Files (*.mp2)|*.mp2|MP3 Files (*.mp3)|*.mp3|"
        "MPEG Files (*.mpeg, *.mpg, *.mpa, *.m1v, *.mv2)|*.mpeg;*.mpg;*.mpa;*.m1v;*.mv2|"
        "MPEG-4 Files (*.mp4)|*.mp4|MPEG-4 Audio Files (*.m4a, *.mp4)|*.m4a; *.mp4|"
        "Ogg Vorbis Files (*.ogg)|*.ogg|RealMedia Files (*.rm, *.rmvb, *.ram, *.ra)|*.rm; *.rmvb; *.ram; *.ra|"
        "QuickTime Files (*.mov, *.qt)|*.mov; *.qt|VCD DAT Files (*.dat)|*.dat|"
        "WAV Files (*.wav, *.au, *.aiff)|*.wav; *.au; *.aiff|"
        "Windows Media Files(*.wma, *.wmv, *.asf, *.asx)|*.wma;*.wmv;*.asf;*.asx|");
}

QStringList QtNameFilters(const QString& AFilter) {
    const QStringList parts = AFilter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : Patterns(parts[i + 1])) {
            patterns << pattern;
            if (pattern.toUpper() != pattern) patterns << pattern.toUpper();
        }
        filters << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return filters;
}

QStringList SupportedExtensions() {
    QStringList extensions;
    for (const QString& pattern : Patterns(OpenDialogFilter().section('|', 1, 1)))
        extensions << pattern.section('.', -1).toLower();
    return extensions;
}

}  // namespace vidmorph
